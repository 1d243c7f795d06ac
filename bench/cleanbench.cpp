// The clean against the machine's limit: the program's own clean path (a heap
// block with the flags it uses, filled, given back) beside fresh pages from the
// operating system filled with memset and given back, for several sizes.
// Prints one line per size: MiB/s of each, median and spread, and the ratio.
//   bench_clean [ROUNDS]   (rounds of clean, limit, limit, clean; 3 by default)
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

struct Spread {
    double low, median, high;
};

static Spread SpreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? Spread{0, 0, 0} : Spread{v.front(), v[v.size() / 2], v.back()};
}

// MiB/s of the two operations over rounds of A B B A, so that drift in the
// machine's own speed, which can be large, falls on both alike and neither
// side always runs first on pages the other has just given back.
template <class A, class B> static void Rates(DWORD size, int rounds, A a, B b, Spread *rateA, Spread *rateB)
{
    std::vector<double> ra, rb;
    auto time = [size](auto &operation, std::vector<double> &rates) {
        double start = Now();
        if (operation())
            rates.push_back((double)size / (1 << 20) / (Now() - start));
    };
    for (int i = 0; i < rounds; i++)
        time(a, ra), time(b, rb), time(b, rb), time(a, ra);
    *rateA = SpreadOf(ra), *rateB = SpreadOf(rb);
}

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 3;
    DWORD largest = LargestBlock();
    std::vector<DWORD> sizes;
    for (DWORD size = 64u << 20; size < largest; size *= 2)
        sizes.push_back(size);
    if (largest)
        sizes.push_back(largest);
    printf("%6s  %-22s  %-22s  %s\n", "MiB", "clean MiB/s: median", "limit MiB/s: median", "ratio of the medians");
    printf("%6s  %-22s  %-22s\n", "", "(lowest to highest)", "(lowest to highest)");
    for (DWORD size : sizes) {
        // A snapshot for which an automatic clean asks for exactly this size, with
        // commit to spare: half of it is more than any block here.
        memoryStatus.ullTotalPhys = size < 0x80000000u ? 2ull * size : 0xFFFFFFFFu;
        memoryStatus.ullAvailPhys = (uint64_t)size * 4 / 5;
        memoryStatus.ullAvailPageFile = 16ull << 30;
        DWORD asked = CleanSize((DWORD)memoryStatus.ullTotalPhys, (DWORD)memoryStatus.ullAvailPhys, CLEAN_AUTO);
        Spread clean, limit;
        Rates(
            asked, rounds,
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
        printf("%6lu  %5.0f (%5.0f to %5.0f)    %5.0f (%5.0f to %5.0f)    %.3f\n", (unsigned long)(asked >> 20),
               clean.median, clean.low, clean.high, limit.median, limit.low, limit.high,
               limit.median ? clean.median / limit.median : 0);
    }
    return 0;
}
