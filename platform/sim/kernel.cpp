// Simulated KERNEL32: the memory of a machine, told in 64-bit figures, a heap
// of real memory with a limit whose blocks are charged whole against the
// commit every program shares, and the string helpers.
#include "platform/sim/state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

SimMachineMemory simMemory;
size_t simHeapLimit;
static const HANDLE simHeap = (HANDLE)(uintptr_t)0x50000;
static std::map<void *, size_t> liveBlocks;
static void *newestBlock;

void SimResetKernel()
{
    simMemory = SimMachineMemory{};
    simHeapLimit = SIZE_MAX;
    liveBlocks.clear();
}

// What the program's live blocks have committed, all of it at once, as Windows
// charges a large heap block (the heap takes it straight from VirtualAlloc).
static uint64_t CommitLeft()
{
    uint64_t charged = 0;
    for (auto &block : liveBlocks)
        charged += block.second;
    return simMemory.availPageFile > charged ? simMemory.availPageFile - charged : 0;
}

bool SimOtherProgramCommits(uint64_t bytes)
{
    return bytes <= CommitLeft();
}

// As Windows fills it for a large-address-aware 32-bit program on 64-bit
// Windows: every figure exact. A record whose length is not the record's own
// is refused and left as it was (Microsoft's GlobalMemoryStatusEx page).
BOOL WINAPI GlobalMemoryStatusEx(MEMORYSTATUSEX *status)
{
    BOOL ok = status->dwLength == sizeof(MEMORYSTATUSEX);
    SimLogf("GlobalMemoryStatusEx len=%u -> %d", status->dwLength, ok);
    const SimMachineMemory &m = simMemory;
    if (ok)
        *status = MEMORYSTATUSEX{sizeof(MEMORYSTATUSEX), m.load, m.totalPhys, m.availPhys, m.totalPageFile,
                                 CommitLeft(), 0xFFFE0000u, 0xF0000000u, 0};
    return ok;
}

HANDLE WINAPI GetProcessHeap(void)
{
    return simHeap;
}

// A block is granted within the heap's limit and the commit left. A granted
// block comes filled with a pattern whatever the flags, so that only the
// program's own fill can leave it zero.
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    void *block = heap == simHeap && bytes <= simHeapLimit && bytes <= CommitLeft() ? malloc(bytes) : nullptr;
    SimLogf("HeapAlloc %zu flags=0x%x -> %s", bytes, flags, block ? "granted" : "refused");
    if (block)
        memset(block, 0xA5, bytes), liveBlocks[block] = bytes, newestBlock = block;
    return block;
}

// How many of the first n bytes are 0 before the first that is not.
static size_t LeadingZeros(const void *block, size_t n)
{
    static const BYTE zeros[4096] = {};
    const BYTE *p = (const BYTE *)block;
    size_t i = 0;
    while (n - i >= sizeof zeros && !memcmp(p + i, zeros, sizeof zeros))
        i += sizeof zeros;
    while (i < n && !p[i])
        i++;
    return i;
}

BOOL WINAPI HeapFree(HANDLE, DWORD flags, LPVOID mem)
{
    size_t bytes = liveBlocks.at(mem);
    SimLogf("HeapFree %zu flags=0x%x zero=%d", bytes, flags, LeadingZeros(mem, bytes) == bytes);
    liveBlocks.erase(mem);
    free(mem);
    return TRUE;
}

size_t SimLiveBlocks()
{
    return liveBlocks.size();
}

std::string SimBlockWritten()
{
    return "written=" + std::to_string(LeadingZeros(newestBlock, liveBlocks.at(newestBlock)));
}

std::string SimHeldBlocks()
{
    size_t held = 0, zero = 0;
    for (auto &block : liveBlocks)
        held += block.second, zero += LeadingZeros(block.first, block.second);
    return "held=" + std::to_string(held) + (zero == held ? "" : " (not zero)");
}

// At most max - 1 characters, always terminated.
LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int max)
{
    snprintf(dst, (size_t)max, "%s", src);
    return dst;
}

int WINAPI lstrlenA(LPCSTR s)
{
    return (int)strlen(s);
}
