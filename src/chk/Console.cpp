#include "chk/Console.h"

#include "base/RunGuards.h"
#include "base/SystemCalls.h"

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

// The code page a reader of redirected output expects: the console's, or
// without a console the system's ANSI code page.
UINT OutputCodePage()
{
    UINT codePage = GetConsoleOutputCP();
    return codePage ? codePage : Sys().GetACP();
}

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

void PrintLine(const CString& text, bool toError)
{
    FILE* stream = toError ? stderr : stdout;
    const CString line = text + "\n";
    if (WriteToConsole(stream, toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE, line))
        return;
    const CString out = InCodePage(line, OutputCodePage());
    std::fwrite(static_cast<const char*>(out), 1, static_cast<size_t>(out.GetLength()), stream);
    std::fflush(stream);
}

void PrintUtf8Line(const CString& text)
{
    const CString line = text + "\n";
    if (WriteToConsole(stdout, STD_OUTPUT_HANDLE, line))
        return;
    const CString out = InCodePage(line, CP_UTF8);
    std::fwrite(static_cast<const char*>(out), 1, static_cast<size_t>(out.GetLength()), stdout);
    std::fflush(stdout);
}

} // namespace Chk
