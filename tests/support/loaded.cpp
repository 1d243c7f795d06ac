// The program's globals as the loader left them, kept before any test runs so
// that each test starts from them and one test can check them against the design.
#include "tests/support/fixture.h"
#include "tests/support/loaded.h"

static LoadedState Capture()
{
    LoadedState s;
    s.memoryStatus = memoryStatus;
    s.trend = trend;
    s.previousHalfAvail = previousHalfAvail;
    s.ticksUntilClean = ticksUntilClean;
    s.steadyCredit = steadyCredit;
    return s;
}

static const LoadedState captured = Capture();
const LoadedState &loadedState = captured;

void RestoreLoadedState()
{
    memoryStatus = captured.memoryStatus;
    trend = captured.trend;
    previousHalfAvail = captured.previousHalfAvail;
    ticksUntilClean = captured.ticksUntilClean;
    steadyCredit = captured.steadyCredit;
}
