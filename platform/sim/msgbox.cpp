// Simulated message boxes: a box stands for its modal loop by running the
// test's hook while it is open, then answers OK. As on Windows, its owner is
// disabled while it is open, and enabled again after if the box disabled it.
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <utility>

std::function<void(const SimMessageBox &)> simWhileBoxOpen;

void SimResetBoxes()
{
    simWhileBoxOpen = nullptr;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    // No box for an owner that is gone (its dialog window cannot be made).
    if (owner && !SimLiveWindow(owner)) {
        SimLogf("MessageBoxA %s %s -> 0 (no such owner)", SimWindowName(owner).c_str(), SimText(text).c_str());
        return 0;
    }
    SimMessageBox box{owner, text ? text : "", caption ? caption : "", type};
    SimLogf("MessageBoxA %s %s %s 0x%x %s", SimWindowName(owner).c_str(), SimText(text).c_str(),
            SimText(caption).c_str(), type, SimHeldBlocks().c_str());
    // The test answers the outermost box; one opened beneath it (by a tick in its
    // modal loop) is closed at once, so that a box at every tick cannot nest forever.
    static bool answering;
    bool disabled = owner && std::exchange(SimLiveWindow(owner)->disabled, true);
    if (simWhileBoxOpen && !answering) {
        answering = true;
        simWhileBoxOpen(box);
        answering = false;
    }
    if (SimWindow *w = owner ? SimLiveWindow(owner) : nullptr)
        w->disabled = disabled;
    SimLogf("MessageBoxA closed %s", SimText(text).c_str());
    return IDOK;
}
