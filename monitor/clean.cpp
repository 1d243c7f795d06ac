// The clean: one large heap block, sized from the snapshot, written over and given back.
#include "monitor/monitor.h"

#include <stdint.h>
#include <string.h>

#include <algorithm>

static const char CLEAN_CAPTION[] = "Vev Arivezu";

BYTE cleanFilling;

// Called through a volatile pointer: a fill followed only by a free is otherwise
// dead code to the optimiser, and the fill is the whole point of the clean.
static void *(*volatile fillBlock)(void *, int, size_t) = memset;

// Up to one and a half (heavy) or one and a quarter times what is available,
// within a quarter and fifteen sixteenths of the total. The candidate is
// computed in 64 bits and clamped unsigned, so 2 GiB and more size correctly.
DWORD CleanSize(DWORD totalPhys, DWORD availPhys, CleanMode mode)
{
    DWORD upper = totalPhys - (totalPhys >> 4);
    DWORD lower = totalPhys >> 2;
    uint64_t size = (uint64_t)availPhys + (availPhys >> (mode < CLEAN_SMALL ? 1 : 2));
    if (size > upper)
        size = upper;
    if (size < lower)
        size = lower;
    return (DWORD)size;
}

// Written in slices, with the queue read between them: at paging speed a
// large block takes longer to write than the 5 s after which Windows calls a
// window that reads no message hung, and sign-out and other programs' sends
// wait on it. The read answers what other threads and programs send and
// leaves the posted messages (ticks, commands, clicks) for after the fill.
static void FillBlock(BYTE *block, DWORD size)
{
    cleanFilling = 1;
    for (DWORD done = 0; done < size;) {
        DWORD slice = std::min(size - done, CLEAN_SLICE_BYTES);
        fillBlock(block + done, 0, slice);
        done += slice;
        MSG msg;
        if (done < size)
            PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    }
    cleanFilling = 0;
}

// A 32-bit program can hold only a few GiB in one block, so the clean is sized
// from the figures as such a program was told them, each at most 4 GiB - 1.
static DWORD Within32Bits(DWORDLONG bytes)
{
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : (DWORD)bytes;
}

// A 32-bit process rarely gets more than a few hundred MiB in one block, so a
// refused block above the lower bound is asked for once more at the lower bound.
// A block this large is committed whole at once, against the commit limit every
// program shares: no block takes more than half of what can still be committed,
// so that the other programs' allocations go on succeeding while it is held. A
// clean left nothing to take is refused, not reported as done over no block.
void CleanMemory(HWND hwnd, CleanMode mode)
{
    DWORD total = Within32Bits(memoryStatus.ullTotalPhys), cap = Within32Bits(memoryStatus.ullAvailPageFile) >> 1;
    DWORD size = std::min(CleanSize(total, Within32Bits(memoryStatus.ullAvailPhys), mode), cap);
    DWORD retry = std::min(total >> 2, cap);
    HANDLE heap = GetProcessHeap();
    void *block = size ? HeapAlloc(heap, HEAP_ZERO_MEMORY, size) : NULL;
    if (!block && retry && retry < size) {
        size = retry;
        block = HeapAlloc(heap, HEAP_ZERO_MEMORY, size);
    }
    if (!block) {
        if (mode < CLEAN_AUTO)
            MessageBoxA(hwnd, "RAM cannot be locked", CLEAN_CAPTION, MB_OK);
        return;
    }
    // A sent WM_CLOSE may have destroyed the window during the fill: the box is
    // then refused, and the block given back all the same.
    FillBlock((BYTE *)block, size);
    if (mode < CLEAN_AUTO)
        MessageBoxA(hwnd, "RAM Cleaned", CLEAN_CAPTION, MB_OK);
    HeapFree(heap, 0, block);
}
