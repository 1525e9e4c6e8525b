// Default options of the sanitized build, linked into every program of it: the checks we want on,
// and the suppression files of this directory for findings inside Mesa, SDL and the X libraries.
// ASAN_OPTIONS, LSAN_OPTIONS and UBSAN_OPTIONS in the environment still override these.

#ifndef MORIQ_SUPPRESSIONS_DIR
#error "MORIQ_SUPPRESSIONS_DIR must name the directory of the suppression files"
#endif

extern "C" {

// intercept_tls_get_addr=0: LLVM 14's runtime mistakes a malloc'd dynamic TLS block (libLLVM's, under llvmpipe)
// that starts 16 bytes into a page for an old glibc block and crashes the leak checker scanning a bogus range.
// Leak checking loses nothing: allocations made by ld.so, dynamic TLS blocks among them, count as reachable.
const char* __asan_default_options() {
    return "detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:"
           "strict_init_order=1:strict_string_checks=1:halt_on_error=1:intercept_tls_get_addr=0:"
           "suppressions=" MORIQ_SUPPRESSIONS_DIR "/asan.supp";
}

const char* __lsan_default_options() {
    return "print_suppressions=0:suppressions=" MORIQ_SUPPRESSIONS_DIR "/lsan.supp";
}

// Mesa unloads its driver when the display closes, before the leak check at exit, and a leak report of an
// unloaded library names no library at all. Kept loaded, its allocations can be suppressed by library.
int dlclose(void*) {
    return 0;
}

const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1:suppressions=" MORIQ_SUPPRESSIONS_DIR "/ubsan.supp";
}

}
