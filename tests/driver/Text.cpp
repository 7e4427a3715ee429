#include "Text.h"

#include <windows.h>

namespace dlg {

namespace {

std::wstring ToWide(const std::string& text, UINT codePage)
{
    if (text.empty())
        return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &out[0], n);
    return out;
}

std::string FromWide(const std::wstring& text, UINT codePage)
{
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), &out[0], n, nullptr, nullptr);
    return out;
}

} // namespace

std::string Utf8FromWide(const std::wstring& text) { return FromWide(text, CP_UTF8); }
std::wstring WideFromUtf8(const std::string& text) { return ToWide(text, CP_UTF8); }

std::string AnsiFromUtf8(const std::string& text, unsigned codePage)
{
    return FromWide(ToWide(text, CP_UTF8), codePage ? codePage : CP_ACP);
}

std::string Utf8FromAnsi(const std::string& text, unsigned codePage)
{
    return FromWide(ToWide(text, codePage ? codePage : CP_ACP), CP_UTF8);
}

std::string WindowsPathFromUnix(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

std::string QuoteArgument(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    // Backslashes are literal unless they precede a quote; then they are doubled.
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            out.append(backslashes * 2 + 1, '\\');
        else
            out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

} // namespace dlg
