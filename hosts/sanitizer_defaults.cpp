// The sanitizer options a sanitized build of a host program starts with, the same the test runs set, so
// that a user's run and a test run behave alike. ASAN_OPTIONS and UBSAN_OPTIONS given at run time still
// take precedence. The values come from the build (KV_ASAN_DEFAULTS, KV_UBSAN_DEFAULTS in cmake/kv.cmake).
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() { return KV_ASAN_DEFAULTS; }
extern "C" __attribute__((visibility("default"), used)) const char* __ubsan_default_options() { return KV_UBSAN_DEFAULTS; }
