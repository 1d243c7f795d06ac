// Simulated message boxes: a box stands for its modal loop by running the
// test's hook while it is open, then answers OK. As on Windows, its owner is
// disabled while it is open, and enabled again after if the box disabled it;
// an owner that is gone gets no box (its dialog window cannot be made).
#include "platform/sim/state.h"

#include <utility>

std::function<void()> simWhileBoxOpen;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    SimWindow *w = SimLiveWindow(owner);
    if (!w) {
        SimLogf("MessageBoxA %s %s -> 0 (no such owner)", SimWindowName(owner).c_str(), SimText(text).c_str());
        return 0;
    }
    SimLogf("MessageBoxA %s %s %s 0x%x %s", SimWindowName(owner).c_str(), SimText(text).c_str(),
            SimText(caption).c_str(), type, SimHeldBlocks().c_str());
    bool disabled = std::exchange(w->disabled, true);
    if (simWhileBoxOpen)
        simWhileBoxOpen();
    if ((w = SimLiveWindow(owner)))
        w->disabled = disabled;
    return IDOK;
}
