// Simulated messages, the timer and the loop: a queue, messages other threads
// send, a timer that ticks when a test pumps it, and registered messages.
#include "platform/sim/state.h"

#include <deque>
#include <map>

// The one timer the program sets, if it is set; it ticks when a test pumps it.
static struct { HWND hwnd; UINT_PTR id; bool set; } timer;
static std::deque<MSG> queue, sentFromOthers;
static bool quitPosted;
static int quitCode;
static std::map<std::string, UINT> registeredMessages;
bool simFailSetTimer;
std::function<void()> simIdle;

void SimResetMessages()
{
    simFailSetTimer = quitPosted = timer.set = false;
    queue.clear();
    sentFromOthers.clear();
    registeredMessages.clear();
    simIdle = nullptr;
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SimLogf("PostMessageA %s -> 1", SimMessage(hwnd, msg, wParam, lParam).c_str());
    queue.push_back(MSG{hwnd, msg, wParam, lParam});
    return TRUE;
}

std::vector<std::string> SimQueue()
{
    std::vector<std::string> posted;
    for (const MSG &m : queue)
        posted.push_back(SimMessage(m.hwnd, m.message, m.wParam, m.lParam));
    return posted;
}

void SimSendFromOtherThread(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    sentFromOthers.push_back(MSG{hwnd, msg, wParam, lParam});
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
    *msg = queue.empty() ? MSG{} : queue.front();
    return !queue.empty();
}

UINT SimMessageNumber(LPCSTR name)
{
    return registeredMessages.emplace(name, 0xC100 + registeredMessages.size()).first->second;
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name)
{
    UINT msg = SimMessageNumber(name);
    SimLogf("RegisterWindowMessageA %s -> %#x", SimText(name).c_str(), msg);
    return msg;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC proc)
{
    SimLogf("SetTimer %s %zu %u%s -> %d", SimWindowName(hwnd).c_str(), (size_t)id, period, proc ? " proc" : "",
            !simFailSetTimer);
    if (!simFailSetTimer)
        timer = {hwnd, id, true};
    return simFailSetTimer ? 0 : id;
}

// A window's timer goes with it: its ticks reach nothing, and KillTimer fails.
BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id)
{
    bool found = timer.set && timer.hwnd == hwnd && timer.id == id && SimLiveWindow(hwnd);
    SimLogf("KillTimer %s %zu -> %d", SimWindowName(hwnd).c_str(), (size_t)id, found);
    timer.set = timer.set && !found;
    return found;
}

void SimPumpTicks(unsigned n)
{
    while (n-- > 0 && timer.set) {
        MSG tick{timer.hwnd, WM_TIMER, timer.id, 0};
        DispatchMessageA(&tick);
    }
}

// The posted messages in turn, and the quit message last; whenever the queue
// is empty, the test's idle hook.
BOOL WINAPI GetMessageA(MSG *msg, HWND, UINT, UINT)
{
    for (;;) {
        AnswerSentMessages();
        if (!queue.empty()) {
            *msg = queue.front();
            queue.pop_front();
            return TRUE;
        }
        if (quitPosted) {
            *msg = MSG{nullptr, WM_QUIT, (WPARAM)quitCode, 0};
            SimLogf("GetMessageA WM_QUIT %d", quitCode);
            return FALSE;
        }
        simIdle();
    }
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    return SimSend(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int code)
{
    SimLogf("PostQuitMessage %d", code);
    quitPosted = true, quitCode = code;
}
