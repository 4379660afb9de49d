// ThreadSanitizer defaults for the window tests. Debian's Qt is not instrumented: QtGui paints
// large areas on its own pool threads, allocating each task on the painting thread and freeing it
// on a pool thread, handed over through futex locks ThreadSanitizer cannot see. Its frames have
// no names to suppress by, so the memory accesses that Qt's own code makes through the runtime's
// interceptors are left out; every access of our code, and Qt's synchronization, is still checked.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() { return "ignore_noninstrumented_modules=1"; }
#endif
