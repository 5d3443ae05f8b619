// Default options of the sanitizer runtimes, built into every program of a sanitizer build so
// that the programs the build itself runs (template writers, the program folder's setup, test
// discovery) are checked the same way as the tests. ASAN_OPTIONS, LSAN_OPTIONS and UBSAN_OPTIONS
// given in the environment still override them.

#ifndef GZT_LSAN_SUPPRESSIONS
#error "GZT_LSAN_SUPPRESSIONS must name the leak suppressions file"
#endif

extern "C" {

const char* __asan_default_options() {
    return "detect_leaks=1:check_initialization_order=1";
}

const char* __lsan_default_options() {
    return "suppressions=" GZT_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
}
