// Simulated resources of the program's own module, as Windows has them: the
// icons by name, each a shared handle, which DestroyIcon leaves usable; copies of icons, which are the caller's own
// and DestroyIcon really destroys; and the standard arrow cursor.
// (dlls/user32/tests/cursoricon.c: a shared icon is destroyed with TRUE and
// still answers GetIconInfo; Microsoft's DestroyIcon page.)
#include "platform/sim/state.h"

#include <algorithm>

const HINSTANCE simModule = (HINSTANCE)(uintptr_t)0x400000;
static const HCURSOR simArrowCursor = (HCURSOR)(uintptr_t)0x7F00;
static const std::string simIconResources[] = {"GainIcon", "LoseIcon", "Vellitor"};
struct SimIcon { std::string name; bool shared, live; };
static std::vector<SimIcon> icons;

void SimResetResources()
{
    icons.clear();
}

// Handle n + 0x20001 is the n-th icon loaded or copied, named "Name#n+1".
static SimIcon *FindIcon(HICON icon)
{
    size_t index = (uintptr_t)icon - 0x20001;
    return index < icons.size() ? &icons[index] : nullptr;
}

static HICON NewIcon(const std::string &name, bool shared)
{
    icons.push_back({name, shared, true});
    return (HICON)(uintptr_t)(0x20000 + icons.size());
}

std::string SimIconName(HICON icon)
{
    const SimIcon *found = FindIcon(icon);
    return !found ? "0" : found->name + "#" + std::to_string((uintptr_t)icon - 0x20000) +
                              (found->shared ? "" : "(copy)") + (found->live ? "" : "(destroyed)");
}

size_t SimLiveIcons()
{
    return std::count_if(icons.begin(), icons.end(), [](const SimIcon &icon) { return icon.live; });
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    bool known = instance == simModule && std::count(std::begin(simIconResources), std::end(simIconResources), name);
    HICON icon = known ? NewIcon(name, true) : nullptr;
    SimLogf("LoadIconA %s -> %s", SimText(name).c_str(), SimIconName(icon).c_str());
    return icon;
}

HICON WINAPI CopyIcon(HICON icon)
{
    HICON copy = NewIcon(FindIcon(icon)->name, false);
    SimLogf("CopyIcon %s -> %s", SimIconName(icon).c_str(), SimIconName(copy).c_str());
    return copy;
}

BOOL WINAPI DestroyIcon(HICON icon)
{
    SimIcon &found = *FindIcon(icon);
    SimLogf("DestroyIcon %s -> %d", SimIconName(icon).c_str(), found.live);
    BOOL ok = found.live;
    found.live = found.live && found.shared;
    return ok;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return !instance && name == IDC_ARROW ? simArrowCursor : nullptr;
}
