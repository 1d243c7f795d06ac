// The Win32 calls the clean makes, on the host's own memory, for the host
// benchmark: a heap block is calloc's, as a Windows heap block is fresh zeroed pages.
#include "platform/platform.h"

#include <stdlib.h>

HANDLE WINAPI GetProcessHeap(void)
{
    return (HANDLE)1;
}

LPVOID WINAPI HeapAlloc(HANDLE, DWORD flags, SIZE_T bytes)
{
    return flags & HEAP_ZERO_MEMORY ? calloc(1, bytes) : malloc(bytes);
}

BOOL WINAPI HeapFree(HANDLE, DWORD, LPVOID mem)
{
    free(mem);
    return TRUE;
}

int WINAPI MessageBoxA(HWND, LPCSTR, LPCSTR, UINT)
{
    return IDOK;
}

BOOL WINAPI GlobalMemoryStatusEx(MEMORYSTATUSEX *status)
{
    *status = MEMORYSTATUSEX{};
    status->dwLength = sizeof *status;
    return TRUE;
}

BOOL WINAPI PeekMessageA(MSG *, HWND, UINT, UINT, UINT)
{
    return FALSE;
}
