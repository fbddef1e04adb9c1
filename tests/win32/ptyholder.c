/* Opens a pseudo-terminal, prints the name of its terminal side and keeps
   it open until killed, so that a test can map a COM port to it. */
#define _XOPEN_SOURCE 600
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(void)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return 1;
    printf("%s\n", ptsname(master));
    fflush(stdout);
    for (;;)
        pause();
}
