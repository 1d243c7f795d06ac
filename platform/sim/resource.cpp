// Simulated resources of the program's own module, as Windows has them: the
// icons by name, each a shared handle that every load of the resource returns
// and DestroyIcon leaves usable; copies of icons, which are the caller's own
// and DestroyIcon really destroys; and the standard arrow cursor.
// (dlls/user32/tests/cursoricon.c: a shared icon is destroyed with TRUE and
// still answers GetIconInfo; Microsoft's DestroyIcon page.)
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <cstring>

const HINSTANCE simModule = (HINSTANCE)(uintptr_t)0x400000;
const HCURSOR simArrowCursor = (HCURSOR)(uintptr_t)0x7F00;
static const char *const simIconResources[] = {"GainIcon", "LoseIcon", "Vellitor"};
struct SimIcon {
    std::string name;
    bool shared, live;
};
static std::vector<SimIcon> icons;

void SimResetResources()
{
    icons.clear();
}

static HICON IconHandle(size_t index)
{
    return (HICON)(uintptr_t)(0x20000 + index);
}

static SimIcon *FindIcon(HICON icon)
{
    size_t index = (uintptr_t)icon - 0x20000;
    return index < icons.size() ? &icons[index] : nullptr;
}

std::string SimIconName(HICON icon)
{
    if (!icon)
        return "0";
    SimIcon *found = FindIcon(icon);
    if (!found)
        return "?";
    return found->name + "#" + std::to_string((uintptr_t)icon - 0x20000 + 1) + (found->shared ? "" : "(copy)") +
           (found->live ? "" : "(destroyed)");
}

bool SimIconLive(HICON icon)
{
    SimIcon *found = FindIcon(icon);
    return found && found->live;
}

size_t SimLiveIcons()
{
    size_t live = 0;
    for (auto &icon : icons)
        live += icon.live;
    return live;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    HICON icon = nullptr;
    for (size_t i = 0; i < icons.size() && !icon; i++)
        if (icons[i].shared && name && !IS_INTRESOURCE(name) && icons[i].name == name)
            icon = IconHandle(i);
    if (!icon && instance == simModule && name && !IS_INTRESOURCE(name))
        for (const char *resource : simIconResources)
            if (!strcmp(resource, name)) {
                icons.push_back({resource, true, true});
                icon = IconHandle(icons.size() - 1);
            }
    SimLogf("LoadIconA %s -> %s", SimText(name).c_str(), SimIconName(icon).c_str());
    return icon;
}

HICON WINAPI CopyIcon(HICON icon)
{
    SimIcon *found = FindIcon(icon);
    HICON copy = nullptr;
    if (found && found->live) {
        icons.push_back({found->name, false, true});
        copy = IconHandle(icons.size() - 1);
    }
    SimLogf("CopyIcon %s -> %s", SimIconName(icon).c_str(), SimIconName(copy).c_str());
    return copy;
}

BOOL WINAPI DestroyIcon(HICON icon)
{
    SimIcon *found = FindIcon(icon);
    BOOL ok = found && found->live;
    SimLogf("DestroyIcon %s -> %d", SimIconName(icon).c_str(), ok);
    if (ok && !found->shared)
        found->live = false;
    return ok;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return !instance && name == IDC_ARROW ? simArrowCursor : nullptr;
}
