// A plug-in as a host loads it for its code: a shared object exporting C
// functions by name.

extern "C" __attribute__((visibility("default"))) int qorFixtureAdd(int a, int b) {
    return a + b;
}
