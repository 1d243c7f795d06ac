// Comparison of the simulated platform's call log with expected tables.
#include "tests/support/fixture.h"

Calls TakeCalls(std::initializer_list<const char *> prefixes)
{
    Calls calls;
    for (const std::string &line : simLog) {
        bool keep = prefixes.size() == 0;
        for (const char *prefix : prefixes)
            keep = keep || line.rfind(prefix, 0) == 0;
        if (keep)
            calls.push_back(line);
    }
    simLog.clear();
    return calls;
}

static std::string List(const Calls &calls)
{
    std::string out;
    for (size_t i = 0; i < calls.size(); i++)
        out += "  " + std::to_string(i) + ": " + calls[i] + "\n";
    return out.empty() ? "  (nothing)\n" : out;
}

void ExpectCalls(const Calls &expected, const Calls &actual)
{
    if (expected == actual)
        return;
    size_t first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first])
        first++;
    ADD_FAILURE() << "calls differ from entry " << first << "\nexpected:\n"
                  << List(expected) << "actual:\n"
                  << List(actual);
}

MEMORYSTATUS Memory(DWORD totalPhys, DWORD availPhys, DWORD load, DWORD totalPage, DWORD availPage)
{
    MEMORYSTATUS m{};
    m.dwLength = sizeof m;
    m.dwMemoryLoad = load;
    m.dwTotalPhys = totalPhys;
    m.dwAvailPhys = availPhys;
    m.dwTotalPageFile = totalPage;
    m.dwAvailPageFile = availPage;
    m.dwTotalVirtual = 0x7FFE0000;
    m.dwAvailVirtual = 0x7F000000;
    return m;
}
