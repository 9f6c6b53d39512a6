// Sanitizer settings of the platform tests; read only in builds with the sanitizers.
//  - A refused huge allocation (a video mode too large to open) returns null as it does without
//    the sanitizer, instead of ending the test.
//  - SDL is never shut down (the programs leave that to the end of the process), so what SDL
//    and the libraries below it hold at exit is not reported as leaked.
extern "C" const char* __asan_default_options();
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2-2.0.so\nleak:libSDL-1.2.so\nleak:libmikmod.so\nleak:libasound.so\n";
}
