#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer: its locks are invisible, so what it
// does on its own threads would look racy. Races in the program stay reported.
// A test that starts a tool (QProcess) forks from a program with threads; the
// child only execs, so it may go on.
extern "C" const char *__tsan_default_options()
{
    return "ignore_noninstrumented_modules=1 die_after_fork=0";
}
#endif
