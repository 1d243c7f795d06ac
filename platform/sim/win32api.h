// The subset of the ANSI Win32 interface the program uses, for hosts that are
// not Windows: the same names and numeric values, 32-bit where Win32 is, and of
// each record the fields that are used. The simulated platform behind these
// declarations lives beside this file.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint32_t DWORD;
typedef unsigned long long DWORDLONG;
typedef int32_t LONG;
typedef uint16_t WORD;
typedef int16_t SHORT;
typedef uint8_t BYTE;
typedef unsigned int UINT;
typedef int BOOL;
typedef WORD ATOM;
typedef size_t SIZE_T;
typedef uintptr_t UINT_PTR, WPARAM;
typedef intptr_t LPARAM, LRESULT;
typedef void *LPVOID, *HANDLE;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef struct HWND__ *HWND;
typedef struct HICON__ *HICON, *HCURSOR;
typedef struct HBRUSH__ *HBRUSH;
typedef struct HINSTANCE__ *HINSTANCE;
typedef struct HDC__ *HDC;
typedef struct HMENU__ *HMENU;

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0

typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK *TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

#define MAKEINTRESOURCEA(i) ((LPSTR)(uintptr_t)(WORD)(i))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h) << 16)))

struct MEMORYSTATUSEX {
    DWORD dwLength, dwMemoryLoad;
    DWORDLONG ullTotalPhys, ullAvailPhys, ullTotalPageFile, ullAvailPageFile, ullTotalVirtual, ullAvailVirtual,
        ullAvailExtendedVirtual;
};
struct RECT { LONG left, top, right, bottom; };
struct SIZE { LONG cx, cy; };
struct MSG { HWND hwnd; UINT message; WPARAM wParam; LPARAM lParam; };
struct PAINTSTRUCT { HDC hdc; };
struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra, cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName, lpszClassName;
};
struct TEXTMETRICA { LONG tmHeight; };
// The first layout's fields; the SDK declares szTip of 128 bytes and more
// fields after it, and the first layout ends 64 bytes into szTip.
struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID, uFlags, uCallbackMessage;
    HICON hIcon;
    char szTip[128];
};
#define NOTIFYICONDATAA_V1_SIZE (offsetof(NOTIFYICONDATAA, szTip) + 64)
struct CHANGEFILTERSTRUCT;

#define HEAP_ZERO_MEMORY 0x00000008
#define MB_OK 0x00000000
#define MB_ICONINFORMATION 0x00000040
#define IDOK 1
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUERYENDSESSION 0x0011
#define WM_QUIT 0x0012
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define PM_NOREMOVE 0x0000
#define SC_MINIMIZE 0xF020
#define MK_LBUTTON 0x0001
#define MK_SHIFT 0x0004
#define SW_HIDE 0
#define SW_SHOW 5
#define SW_SHOWMINNOACTIVE 7
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
#define WS_OVERLAPPED 0x00000000L
#define WS_CAPTION 0x00C00000L
#define WS_SYSMENU 0x00080000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_EX_TOOLWINDOW 0x00000080L
#define CW_USEDEFAULT ((int)0x80000000)
#define HWND_TOPMOST ((HWND)(intptr_t)-1)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define MSGFLT_ALLOW 1
#define COLOR_WINDOW 5
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004

// KERNEL32
BOOL WINAPI GlobalMemoryStatusEx(MEMORYSTATUSEX *lpBuffer);
HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength);
int WINAPI lstrlenA(LPCSTR lpString);

// USER32
ATOM WINAPI RegisterClassA(const WNDCLASSA *lpWndClass);
HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam);
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow);
BOOL WINAPI IsIconic(HWND hWnd);
BOOL WINAPI AdjustWindowRectEx(RECT *lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle);
BOOL WINAPI UpdateWindow(HWND hWnd);
BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
BOOL WINAPI DestroyWindow(HWND hWnd);
LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL WINAPI GetMessageA(MSG *lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
LRESULT WINAPI DispatchMessageA(const MSG *lpMsg);
BOOL WINAPI PeekMessageA(MSG *lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
void WINAPI PostQuitMessage(int nExitCode);
UINT WINAPI RegisterWindowMessageA(LPCSTR lpString);
HDC WINAPI BeginPaint(HWND hWnd, PAINTSTRUCT *lpPaint);
BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint);
BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase);
UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent);
HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName);
HICON WINAPI CopyIcon(HICON hIcon);
BOOL WINAPI DestroyIcon(HICON hIcon);
int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
BOOL WINAPI ChangeWindowMessageFilterEx(HWND hwnd, UINT message, DWORD action, CHANGEFILTERSTRUCT *pChangeFilterStruct);

// GDI32
BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c);
HDC WINAPI GetDC(HWND hWnd);
int WINAPI ReleaseDC(HWND hWnd, HDC hDC);
BOOL WINAPI GetTextMetricsA(HDC hdc, TEXTMETRICA *lptm);
BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, SIZE *psizl);

// SHELL32
BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, NOTIFYICONDATAA *lpData);

// The program's entry, as the SDK declares it.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);
