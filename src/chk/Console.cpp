#include "chk/Console.h"

#include "base/RunGuards.h"

#include <cstdio>
#include <string>

namespace Chk {

namespace {

// The texts are the script's quotes among the checker's own ASCII words, so
// they are read as Shift-JIS whatever the process code page is: on a system
// in another code page the script was read as bytes all the same.
std::wstring Wide(const CString& text)
{
    const UINT from = RunGuards::PACKAGE_CODE_PAGE;
    const int wide = MultiByteToWideChar(from, 0, text, text.GetLength(), nullptr, 0);
    if (wide <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(from, 0, text, text.GetLength(), &out[0], wide);
    return out;
}

bool g_alwaysUtf8 = false;

bool WriteToConsole(FILE* stream, DWORD which, const CString& text)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !handle || !GetConsoleMode(handle, &mode))
        return false;
    const std::wstring wide = Wide(text);
    std::fflush(stream);
    DWORD written = 0;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)
        && written == wide.size();
}

} // namespace

CString InCodePage(const CString& text, UINT codePage)
{
    if (codePage == RunGuards::PACKAGE_CODE_PAGE || text.IsEmpty())
        return text;
    const std::wstring wide = Wide(text);
    const int count = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(codePage, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return text;
    CString out;
    WideCharToMultiByte(codePage, 0, wide.data(), count, out.GetBuffer(bytes), bytes, nullptr, nullptr);
    out.ReleaseBuffer(bytes);
    return out;
}

void PrintAlwaysUtf8()
{
    g_alwaysUtf8 = true;
}

void PrintLine(const CString& text, bool toError)
{
    FILE* stream = toError ? stderr : stdout;
    const CString line = text + "\n";
    if (!g_alwaysUtf8 && WriteToConsole(stream, toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE, line))
        return;
    // Whatever reads redirected output (a file, another tool, a terminal
    // on another system) reads UTF-8; a code page of this system would be
    // a guess about the reader's.
    const CString out = InCodePage(line, CP_UTF8);
    std::fwrite(static_cast<const char*>(out), 1, static_cast<size_t>(out.GetLength()), stream);
    std::fflush(stream);
}

} // namespace Chk
