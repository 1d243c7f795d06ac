// What a Win32 program under Wine reads and writes of Linux itself, through
// Wine's Z: drive: the Linux process of another Wine program, its CPU time,
// and a CPU cgroup that slows it down. For the end-to-end driver and the bench.
#pragma once

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

inline std::string ReadAll(const std::string &path)
{
    std::string text;
    if (FILE *file = fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        fclose(file);
    }
    return text;
}

// Written into a file that is there, as the files of /proc and /sys are: Wine's
// way of making a file anew does not take on them.
inline bool WriteAll(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL) &&
              written == text.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return ok;
}

// The folder under Z:\proc of the Linux process whose command line is the exe
// and whose environment names this Wine prefix, or "". Wine puts the program's
// own command line first; where qemu-user runs Wine, it follows qemu's and
// Wine's loader's Linux paths.
inline std::string UnixProcess(const char *exe)
{
    const char *name = strrchr(exe, '\\') ? strrchr(exe, '\\') + 1 : exe;
    std::string prefix = std::string("WINEPREFIX=") + (getenv("WINEPREFIX") ? getenv("WINEPREFIX") : ""), found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry)) {
        if (entry.cFileName[0] < '0' || entry.cFileName[0] > '9')
            continue;
        std::string dir = std::string("Z:\\proc\\") + entry.cFileName;
        std::string command = ReadAll(dir + "\\cmdline"), environment = ReadAll(dir + "\\environ");
        while (!command.empty() && command[0] == '/')
            command.erase(0, command.find('\0') + 1);
        command = command.substr(0, command.find('\0'));
        if (command.size() >= strlen(name) && !_stricmp(command.c_str() + command.size() - strlen(name), name) &&
            (std::string(1, '\0') + environment).find(std::string(1, '\0') + prefix + '\0') != std::string::npos)
            found = dir;
    }
    FindClose(search);
    return found;
}

// The Linux process of that folder held to percent of one core, in the CPU
// cgroup "quenmar-slow" (cgroup v1's cpu controller, or v2's); its folder, or
// "" where it cannot be made here (it takes root). Undone by Unthrottled; Wine
// cannot remove a cgroup's folder, so tests/e2e/run does.
inline std::string Throttled(const std::string &process, int percent)
{
    std::string pid = process.substr(process.rfind('\\') + 1);
    struct { const char *root, *probe, *limit; std::string value; } kinds[] = {
        {"Z:\\sys\\fs\\cgroup\\cpu", "cpu.cfs_quota_us", "cpu.cfs_quota_us", std::to_string(percent * 1000)},
        {"Z:\\sys\\fs\\cgroup", "cgroup.controllers", "cpu.max", std::to_string(percent * 1000) + " 100000"},
    };
    for (auto &kind : kinds) {
        std::string group = std::string(kind.root) + "\\quenmar-slow";
        if (ReadAll(std::string(kind.root) + "\\" + kind.probe).empty())
            continue;
        if (!strcmp(kind.limit, "cpu.max"))
            WriteAll(std::string(kind.root) + "\\cgroup.subtree_control", "+cpu");
        if ((CreateDirectoryA(group.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS) &&
            WriteAll(group + "\\" + kind.limit, kind.value) && WriteAll(group + "\\cgroup.procs", pid))
            return group;
    }
    return "";
}

inline void Unthrottled(const std::string &process, const std::string &group)
{
    WriteAll(group.substr(0, group.rfind('\\')) + "\\cgroup.procs", process.substr(process.rfind('\\') + 1));
}
