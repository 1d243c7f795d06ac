// What the end-to-end driver and the soak share: the program started and
// found, real key presses and clicks, the screen's pixels, the panel and the
// tray picture as they should look, the message boxes, and the memory file.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

extern const char *quenmarExe, *meminfoPath, *shotsDir;
extern PROCESS_INFORMATION quenmar;
extern HWND mainWnd;

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));

template <class Condition> bool WaitFor(Condition condition, DWORD ms = 10000)
{
    for (DWORD start = GetTickCount(); !condition(); Sleep(100))
        if (GetTickCount() - start > ms)
            return false;
    return true;
}

void SetAvailable(unsigned long mib);
std::vector<DWORD> Capture(RECT r, const std::function<void(HDC)> &draw = nullptr);
void Repaint(HWND window);
void Save(const std::string &name, RECT r);
bool FindMain(DWORD ms);
HWND FindBox(const char *caption, DWORD ms);
std::string AnswerBox(const char *caption, const std::function<void(HWND)> &whileOpen = nullptr);
void StartQuenmar();
void Press(HWND window, std::initializer_list<WORD> chord);
void Keys(std::initializer_list<WORD> keys);
void Click(POINT at, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP, int presses = 1);
extern std::string clickedOn; // the class of the window the last click's presses fell on
bool Shown(bool visible);
bool PanelDrawn(DWORD ms, std::string &detail);

enum Picture { NO_ICON, NEUTRAL, GAIN, LOSS };
extern const char *const pictureNames[];
extern POINT trayFace;
Picture TrayPicture(bool click = false);
