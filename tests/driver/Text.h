// Text conversions for the test side. Tests are written in UTF-8; the programs
// under test speak the ANSI code page (932 in our prefix).
#pragma once

#include <string>

namespace dlg {

std::string Utf8FromWide(const std::wstring& text);
std::wstring WideFromUtf8(const std::string& text);
// Code page conversions for bytes that go to or come from an ANSI program.
std::string AnsiFromUtf8(const std::string& text, unsigned codePage = 0);
std::string Utf8FromAnsi(const std::string& text, unsigned codePage = 0);

// "/work/build/x.exe" -> "Z:\work\build\x.exe": the prefix maps the Unix root to
// drive Z:. Anything that does not start with '/' is returned unchanged.
std::string WindowsPathFromUnix(const std::string& path);

// Quotes one argument the way the C runtime's argument parser reads it back.
std::string QuoteArgument(const std::string& arg);

} // namespace dlg
