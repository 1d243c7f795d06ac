// Simulated KERNEL32: the memory status a test sets, a heap of real memory with
// a limit, and the string helpers.
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <cstdlib>
#include <cstring>
#include <map>

MEMORYSTATUS simMemory;
DWORD simMemoryLengthSeen;
size_t simHeapLimit;
std::vector<SimHeapRequest> simHeapRequests;
std::vector<SimHeapRelease> simHeapReleases;

static const BYTE SIM_HEAP_PATTERN = 0xA5;
static const HANDLE simHeap = (HANDLE)(uintptr_t)0x50000;
static std::map<void *, size_t> liveBlocks;

void SimResetKernel()
{
    simMemory = MEMORYSTATUS{};
    simMemoryLengthSeen = 0;
    simHeapLimit = SIZE_MAX;
    simHeapRequests.clear();
    simHeapReleases.clear();
    for (auto &block : liveBlocks)
        free(block.first);
    liveBlocks.clear();
}

void WINAPI GlobalMemoryStatus(LPMEMORYSTATUS status)
{
    simMemoryLengthSeen = status->dwLength;
    SimLogf("GlobalMemoryStatus len=%u", status->dwLength);
    *status = simMemory;
    status->dwLength = sizeof(MEMORYSTATUS);
}

HANDLE WINAPI GetProcessHeap(void)
{
    return simHeap;
}

// A granted block comes filled with a pattern whatever the flags, so that only
// the program's own fill can leave it zero.
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    bool granted = heap == simHeap && bytes <= simHeapLimit;
    simHeapRequests.push_back({bytes, flags, granted});
    SimLogf("HeapAlloc %zu flags=0x%x -> %s", bytes, flags, granted ? "granted" : "refused");
    if (!granted)
        return nullptr;
    void *block = malloc(bytes ? bytes : 1);
    if (!block)
        return nullptr;
    memset(block, SIM_HEAP_PATTERN, bytes);
    liveBlocks[block] = bytes;
    return block;
}

static bool AllZero(const BYTE *p, size_t n)
{
    static const BYTE zeros[4096] = {};
    for (; n >= sizeof zeros; p += sizeof zeros, n -= sizeof zeros)
        if (memcmp(p, zeros, sizeof zeros))
            return false;
    return memcmp(p, zeros, n) == 0;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID mem)
{
    auto it = liveBlocks.find(mem);
    if (heap != simHeap || it == liveBlocks.end()) {
        SimLogf("HeapFree unknown block flags=0x%x -> 0", flags);
        return FALSE;
    }
    bool zero = AllZero((const BYTE *)mem, it->second);
    simHeapReleases.push_back({it->second, zero});
    SimLogf("HeapFree %zu flags=0x%x zero=%d", it->second, flags, zero);
    free(mem);
    liveBlocks.erase(it);
    return TRUE;
}

size_t SimLiveBlocks()
{
    return liveBlocks.size();
}

size_t SimLiveBytes()
{
    size_t total = 0;
    for (auto &block : liveBlocks)
        total += block.second;
    return total;
}

LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int max)
{
    if (max <= 0)
        return dst;
    int i = 0;
    for (; src && i < max - 1 && src[i]; i++)
        dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

int WINAPI lstrlenA(LPCSTR s)
{
    return s ? (int)strlen(s) : 0;
}
