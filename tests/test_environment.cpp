// test_environment.cpp - linked into every test program: before any test runs, it makes sure that
// nothing a test starts raises a dialog or needs sound hardware, whether the program runs under
// ctest or by hand. Values already set in the environment are kept.
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment() {
        setenv("TARVELOK_NO_DIALOGS", "1", 0);
        setenv("SDL_AUDIODRIVER", "disk", 0);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);
    }
} const test_environment;
}  // namespace
