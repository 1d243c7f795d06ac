// Simulated messages, timers and the loop: a queue, timers on a test clock
// that moves only when the loop waits, registered messages, and GetMessageA as
// strict as Win32's.
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <cstdio>
#include <cstdlib>
#include <deque>

struct SimTimer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    uint64_t due;
};
static std::vector<SimTimer> timers;
static std::deque<MSG> queue, sentFromOthers;
static bool quitPosted;
static int quitCode;
static std::vector<std::string> registeredMessages;
static uint64_t simNow;
bool simFailSetTimer;
std::function<void()> simIdle;

void SimResetMessages()
{
    simFailSetTimer = false;
    timers.clear();
    queue.clear();
    sentFromOthers.clear();
    quitPosted = false;
    quitCode = 0;
    registeredMessages.clear();
    simNow = 0;
    simIdle = nullptr;
}

void SimPost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    queue.push_back(MSG{hwnd, msg, wParam, lParam, (DWORD)simNow, {0, 0}});
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    bool ok = SimLiveWindow(hwnd) != nullptr;
    SimLogf("PostMessageA %s %s %#zx %#zx -> %d", SimWindowName(hwnd).c_str(), SimMessageName(msg).c_str(),
            (size_t)wParam, (size_t)lParam, ok);
    if (ok)
        SimPost(hwnd, msg, wParam, lParam);
    return ok;
}

std::vector<std::string> SimQueue()
{
    std::vector<std::string> posted;
    for (const MSG &m : queue) {
        char line[96];
        snprintf(line, sizeof line, "%s %s %#zx %#zx", SimWindowName(m.hwnd).c_str(), SimMessageName(m.message).c_str(),
                 (size_t)m.wParam, (size_t)m.lParam);
        posted.push_back(line);
    }
    return posted;
}

void SimSendFromOtherThread(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    sentFromOthers.push_back(MSG{hwnd, msg, wParam, lParam, (DWORD)simNow, {0, 0}});
}

// What other threads sent runs whenever the thread reads its queue, before
// anything posted is looked at.
static void AnswerSentMessages()
{
    while (!sentFromOthers.empty()) {
        MSG sent = sentFromOthers.front();
        sentFromOthers.pop_front();
        LRESULT result = SimSend(sent.hwnd, sent.message, sent.wParam, sent.lParam);
        SimLogf("%s %s answered %ld", SimWindowName(sent.hwnd).c_str(), SimMessageName(sent.message).c_str(),
                (long)result);
    }
}

// Sent messages answered; the first posted one copied out and left in the
// queue (PM_NOREMOVE, the only way the program reads it). Logged with how far
// the newest heap block has been written.
BOOL WINAPI PeekMessageA(MSG *msg, HWND filter, UINT, UINT, UINT flags)
{
    SimLogf("PeekMessageA %s flags=%u %s", SimWindowName(filter).c_str(), flags, SimBlockWritten().c_str());
    AnswerSentMessages();
    if (queue.empty())
        return FALSE;
    *msg = queue.front();
    return TRUE;
}

UINT SimMessageNumber(LPCSTR name)
{
    size_t i = 0;
    while (i < registeredMessages.size() && registeredMessages[i] != name)
        i++;
    if (i == registeredMessages.size())
        registeredMessages.push_back(name);
    return (UINT)(0xC100 + i);
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name)
{
    UINT msg = SimMessageNumber(name);
    SimLogf("RegisterWindowMessageA %s -> 0x%x", SimText(name).c_str(), msg);
    return msg;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC proc)
{
    bool ok = !simFailSetTimer && SimLiveWindow(hwnd) && !proc;
    SimLogf("SetTimer %s %zu %u%s -> %d", SimWindowName(hwnd).c_str(), (size_t)id, period, proc ? " proc" : "", ok);
    if (!ok)
        return 0;
    for (auto &t : timers)
        if (t.hwnd == hwnd && t.id == id) {
            t.period = period, t.due = simNow + period;
            return id;
        }
    timers.push_back({hwnd, id, period, simNow + period});
    return id;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id)
{
    for (size_t i = 0; i < timers.size(); i++)
        if (timers[i].hwnd == hwnd && timers[i].id == id) {
            timers.erase(timers.begin() + i);
            SimLogf("KillTimer %s %zu -> 1", SimWindowName(hwnd).c_str(), (size_t)id);
            return TRUE;
        }
    SimLogf("KillTimer %s %zu -> 0", SimWindowName(hwnd).c_str(), (size_t)id);
    return FALSE;
}

// The earliest timer, with the clock moved on to when it is due. A timer that
// fell due long ago yields one message, and its next period starts now.
static bool NextTimerMessage(MSG *msg)
{
    SimTimer *next = nullptr;
    for (auto &t : timers)
        if (!next || t.due < next->due)
            next = &t;
    if (!next)
        return false;
    if (next->due > simNow)
        simNow = next->due;
    next->due = simNow + next->period;
    *msg = MSG{next->hwnd, WM_TIMER, next->id, 0, (DWORD)simNow, {0, 0}};
    return true;
}

static bool NextPaintMessage(MSG *msg)
{
    for (auto &w : simWindows)
        if (SimHasSomethingToPaint(w)) {
            *msg = MSG{w.hwnd, WM_PAINT, 0, 0, (DWORD)simNow, {0, 0}};
            return true;
        }
    return false;
}

void SimPumpTicks(unsigned n)
{
    MSG msg;
    while (n-- > 0 && NextTimerMessage(&msg)) {
        DispatchMessageA(&msg);
        while (NextPaintMessage(&msg))
            DispatchMessageA(&msg);
    }
}

// With a window filter, as on Win32, only that window's messages come; the quit
// message never does, and once the window is gone every call fails with -1.
BOOL WINAPI GetMessageA(MSG *msg, HWND filter, UINT, UINT)
{
    static unsigned failures;
    if (filter && !SimLiveWindow(filter)) {
        if (++failures == 1000) {
            fprintf(stderr, "simulated GetMessageA: called on and on for a window that is gone\n");
            abort();
        }
        return -1;
    }
    failures = 0;
    for (unsigned idle = 0;; idle++) {
        AnswerSentMessages();
        auto it = queue.begin();
        while (it != queue.end() && filter && it->hwnd != filter)
            ++it;
        if (it != queue.end()) {
            *msg = *it;
            queue.erase(it);
            return TRUE;
        }
        if (quitPosted && !filter) {
            quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, (WPARAM)quitCode, 0, (DWORD)simNow, {0, 0}};
            SimLogf("GetMessageA WM_QUIT %d", quitCode);
            return FALSE;
        }
        if (NextPaintMessage(msg))
            return TRUE;
        if (simIdle && idle == 0) {
            simIdle();
            continue;
        }
        if (NextTimerMessage(msg))
            return TRUE;
        fprintf(stderr, "simulated GetMessageA: the queue is empty and nothing can ever arrive\n");
        abort();
    }
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    return SimSend(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int code)
{
    SimLogf("PostQuitMessage %d", code);
    quitPosted = true;
    quitCode = code;
}

// A window's timers go with it.
void SimKillWindowTimers(HWND hwnd)
{
    for (size_t i = timers.size(); i-- > 0;)
        if (timers[i].hwnd == hwnd)
            timers.erase(timers.begin() + i);
}
