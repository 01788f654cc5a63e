// Leak-checker suppressions for the Qt tests: the font library keeps a cache for the life of
// the process. Only read by sanitizer builds.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
