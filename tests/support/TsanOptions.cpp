#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer: its locks are invisible, so what it
// does on its own threads would look racy. Races in the program stay reported.
extern "C" const char *__tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
#endif
