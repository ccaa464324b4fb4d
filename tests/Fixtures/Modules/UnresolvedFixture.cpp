// A shared object needing a function that nothing defines: binding every
// symbol at load time fails.

extern "C" int qorFixtureMissing();

extern "C" __attribute__((visibility("default"))) int qorFixtureCallsMissing() {
    return qorFixtureMissing();
}
