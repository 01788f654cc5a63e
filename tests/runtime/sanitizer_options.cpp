// Allocation-failure tests ask for impossible sizes; under the sanitizers such a request
// must yield null as it does with the plain allocator, not end the test.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }
