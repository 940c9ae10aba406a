// Linked into every program of a sanitizer build, so that the programs the
// tests start and the tests run by hand check leaks the same way.
//
// fontconfig keeps the font patterns pango (and GTK, in the X tray module)
// asks it for in caches that live until the process ends; they are filled on
// worker threads and so are not reachable from the main thread's roots. The
// leak checker must not report them as ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}
