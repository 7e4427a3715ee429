// What the unit tests and the end-to-end tests both need. Their own helpers
// differ on purpose: the unit tests call the installer's ANSI code and so
// name files in the ANSI code page (932), while the end-to-end tests write
// UTF-8 and reach files through the wide calls (E2eSupport.h), as a test
// must read names whatever code page the programs under test used.
#pragma once

#include <windows.h>

#include <string>

namespace test_common {

// Where Windows lists installed software, below HKEY_LOCAL_MACHINE. Spelled
// out here rather than taken from the programs' own constant, so that a
// wrong constant there fails the tests.
constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Everything left to read from an open file.
inline std::string ReadAll(HANDLE file)
{
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

} // namespace test_common
