// The few Windows names that the portable readers and path helpers use (and
// the run log's header that the command line includes, and the registry roots
// the uninstall plan carries), for the native fuzz
// build only. The lead-byte test is that of code page 932, the
// code page the installer's scripts are written in.
#pragma once

#include <cstdint>
#include <cstring>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef unsigned short WORD;
// The registry roots an uninstall plan names; never opened here.
typedef struct HKEY__* HKEY;
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

struct SYSTEMTIME
{
    WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

inline BOOL IsDBCSLeadByte(BYTE c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

inline int lstrlenA(const char* text)
{
    return text ? static_cast<int>(std::strlen(text)) : 0;
}
