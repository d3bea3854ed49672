// A library whose constructor never returns: while it runs, the thread that
// loads it holds the dynamic loader's lock.
extern "C" void KelLoaderHeld();  // the test's, seen through its exported symbols

namespace {

__attribute__((constructor)) void holdTheLoader() {
    KelLoaderHeld();
}

}  // namespace
