#include "chk/Console.h"

#include <cstdio>
#include <vector>

namespace Chk {

namespace {

// The code page a reader of our output expects: the console's, or without a
// console the system's ANSI code page (the one the script was read in).
UINT OutputCodePage()
{
    UINT codePage = GetConsoleOutputCP();
    return codePage ? codePage : GetACP();
}

CString ToOutputCodePage(const CString& text)
{
    const UINT target = OutputCodePage();
    if (target == GetACP() || text.IsEmpty())
        return text;
    const int wide = MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), nullptr, 0);
    if (wide <= 0)
        return text;
    std::vector<WCHAR> buffer(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), buffer.data(), wide);
    const int bytes = WideCharToMultiByte(target, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return text;
    CString out;
    WideCharToMultiByte(target, 0, buffer.data(), wide, out.GetBuffer(bytes), bytes, nullptr, nullptr);
    out.ReleaseBuffer(bytes);
    return out;
}

} // namespace

void PrintLine(const CString& text, bool toError)
{
    FILE* stream = toError ? stderr : stdout;
    const CString out = ToOutputCodePage(text) + "\n";
    std::fwrite(static_cast<const char*>(out), 1, static_cast<size_t>(out.GetLength()), stream);
    std::fflush(stream);
}

} // namespace Chk
