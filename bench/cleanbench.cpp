// The clean against the machine's limit: the program's own clean path (a heap
// block with the flags it uses, filled, given back) beside fresh pages from the
// operating system filled with memset and given back, for several sizes.
// Prints one line per size: MiB/s of each and their ratio.
#include "monitor/monitor.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#ifdef _WIN32
static double Now()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}
static void *FreshPages(size_t size)
{
    return VirtualAlloc(NULL, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}
static void GiveBack(void *p, size_t)
{
    VirtualFree(p, 0, MEM_RELEASE);
}
#else
#include <sys/mman.h>
#include <time.h>
static double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}
static void *FreshPages(size_t size)
{
    void *p = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? NULL : p;
}
static void GiveBack(void *p, size_t size)
{
    munmap(p, size);
}
#endif

static void *(*volatile fill)(void *, int, size_t) = memset;

// The largest block the heap grants here, to the nearest 16 MiB.
static DWORD LargestBlock()
{
    for (DWORD size = 2040u << 20; size >= 64u << 20; size -= 16u << 20)
        if (void *p = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)) {
            HeapFree(GetProcessHeap(), 0, p);
            return size;
        }
    return 0;
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// MiB/s of the two operations, median of several runs taken in turns, so that
// drift in the machine's own speed falls on both alike.
template <class A, class B> static void Rates(DWORD size, int runs, A a, B b, double *rateA, double *rateB)
{
    std::vector<double> ra, rb;
    for (int i = 0; i < runs; i++) {
        double start = Now();
        if (a())
            ra.push_back((double)size / (1 << 20) / (Now() - start));
        start = Now();
        if (b())
            rb.push_back((double)size / (1 << 20) / (Now() - start));
    }
    *rateA = Median(ra), *rateB = Median(rb);
}

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    DWORD largest = LargestBlock();
    std::vector<DWORD> sizes;
    for (DWORD size = 64u << 20; size < largest; size *= 2)
        sizes.push_back(size);
    if (largest)
        sizes.push_back(largest);
    printf("%10s %14s %14s %8s\n", "MiB", "clean MiB/s", "limit MiB/s", "ratio");
    for (DWORD size : sizes) {
        // A snapshot for which an automatic clean asks for exactly this size, with
        // commit to spare: half of it is more than any block here.
        memoryStatus.ullTotalPhys = size < 0x80000000u ? 2ull * size : 0xFFFFFFFFu;
        memoryStatus.ullAvailPhys = (uint64_t)size * 4 / 5;
        memoryStatus.ullAvailPageFile = 16ull << 30;
        DWORD asked = CleanSize((DWORD)memoryStatus.ullTotalPhys, (DWORD)memoryStatus.ullAvailPhys, CLEAN_AUTO);
        double clean, limit;
        Rates(
            asked, runs,
            [] {
                CleanMemory(NULL, CLEAN_AUTO);
                return true;
            },
            [asked] {
                void *p = FreshPages(asked);
                if (p) {
                    fill(p, 0, asked);
                    GiveBack(p, asked);
                }
                return p != NULL;
            },
            &clean, &limit);
        printf("%10lu %14.0f %14.0f %8.3f\n", (unsigned long)(asked >> 20), clean, limit, limit ? clean / limit : 0);
    }
    return 0;
}
