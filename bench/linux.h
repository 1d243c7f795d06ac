// What a Win32 program under Wine reads of Linux itself, through Wine's Z:
// drive: a file of /proc, and the Linux process of another Wine program.
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
