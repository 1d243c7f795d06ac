// The program's globals as the loader left them, kept before any test runs so
// that each test starts from them and one test can check them against the design.
#include "tests/support/loaded.h"
#include "tests/support/fixture.h"

static LoadedState Capture()
{
    LoadedState s;
#define TAKE(type, name) s.name = name;
    PROGRAM_GLOBALS(TAKE)
#undef TAKE
    return s;
}

static const LoadedState captured = Capture();
const LoadedState &loadedState = captured;

void RestoreLoadedState()
{
#define PUT(type, name) name = captured.name;
    PROGRAM_GLOBALS(PUT)
#undef PUT
}
