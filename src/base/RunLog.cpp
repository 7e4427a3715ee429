#include "base/RunLog.h"

#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "base/SystemText.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace RunLog {
namespace {

ScopedHandle g_file;

const char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";
// A number past this and the temp folder is a rubbish heap; we give up.
const int LAST_NUMBER = 999;
const size_t CATEGORY_WIDTH = 8;

void AppendUtf8(std::string& out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 to UTF-8 by hand: the 95 family's WideCharToMultiByte knows no UTF-8.
std::string Utf8FromWide(const wchar_t* text, size_t length)
{
    std::string out;
    out.reserve(length * 3);
    for (size_t i = 0; i < length; ++i) {
        unsigned long c = static_cast<unsigned short>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
            unsigned long low = static_cast<unsigned short>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD; // half a pair has no character
        AppendUtf8(out, c);
    }
    return out;
}

// "2024-05-01 09:30:12.045"
std::string Stamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return text;
}

// One event, one line: a CR LF or a lone CR or LF inside the text becomes " / ".
void AppendOneLine(std::string& out, const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += " / ";
        } else {
            out += c;
        }
    }
}

bool WriteBytes(const std::string& bytes)
{
    DWORD written = 0;
    // Straight to the system, no buffer of ours: once WriteFile is done the
    // line outlives the process.
    return WriteFile(g_file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
        && written == bytes.size();
}

// Creates the file; 'disposition' is CREATE_ALWAYS or CREATE_NEW.
BOOL Create(const CString& path, DWORD disposition)
{
    Close();
    // Others may read the log while the run writes it; nobody else writes.
    g_file.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (!g_file.IsValid())
        return FALSE;
    if (!WriteBytes(BYTE_ORDER_MARK)) {
        const DWORD error = GetLastError();
        Close();
        SetLastError(error ? error : ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::string ToUtf8(const char* text)
{
    if (!text || !*text)
        return std::string();
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return std::string();
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    return Utf8FromWide(wide.data(), static_cast<size_t>(length - 1));
}

CString NumberedName(const SYSTEMTIME& day, int number, const char* stem)
{
    CString name;
    name.Format("%s %04u-%02u-%02u #%03d.txt", stem, day.wYear, day.wMonth, day.wDay, number);
    return name;
}

BOOL Open(const CString& path)
{
    return Create(path, CREATE_ALWAYS);
}

BOOL OpenNumbered(const CString& folder, CString& path, const char* stem)
{
    SYSTEMTIME today;
    GetLocalTime(&today);
    for (int number = 1; number <= LAST_NUMBER; ++number) {
        path = folder + NumberedName(today, number, stem);
        // CREATE_NEW takes the number in one step: two runs started in the
        // same instant cannot both get it.
        if (Create(path, CREATE_NEW))
            return TRUE;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return FALSE;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
}

BOOL OpenAsAsked(const CString& asked, CString& path, const char* stem)
{
    if (!asked.IsEmpty()) {
        char full[MAX_PATH] = {};
        const DWORD length = GetFullPathNameA(asked, sizeof(full), full, nullptr);
        path = (length > 0 && length < sizeof(full)) ? CString(full) : asked;
        return Open(path);
    }
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof(folder), folder);
    const CString temp = (length > 0 && length < sizeof(folder)) ? PathHelpers::WithTrailingBackslash(folder) : CString();
    return OpenNumbered(temp, path, stem);
}

BOOL Append(const CString& path)
{
    Close();
    g_file.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (!g_file.IsValid())
        return FALSE;
    if (SetFilePointer(g_file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        const DWORD error = GetLastError();
        Close();
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

void Close()
{
    g_file.Close();
}

bool IsOpen()
{
    return g_file.IsValid();
}

namespace {

void WriteLine(const char* category, const std::string& utf8)
{
    if (!IsOpen())
        return;
    std::string line = Stamp();
    line += "  ";
    line += category;
    if (std::strlen(category) < CATEGORY_WIDTH)
        line.append(CATEGORY_WIDTH - std::strlen(category), ' ');
    line += "  ";
    AppendOneLine(line, utf8);
    line += "\r\n";
    WriteBytes(line);
}

} // namespace

void Line(const char* category, const CString& text)
{
    if (IsOpen())
        WriteLine(category, ToUtf8(text));
}

void LineWide(const char* category, const wchar_t* text)
{
    if (IsOpen() && text)
        WriteLine(category, Utf8FromWide(text, wcslen(text)));
}

CString ErrorText(DWORD systemError)
{
    CString text;
    text.Format("error %lu", static_cast<unsigned long>(systemError));
    const CString words = SystemText::OneLine(systemError);
    if (!words.IsEmpty())
        text += " (" + words + ")";
    return text;
}

void End(int exitCode, const char* meaning)
{
    CString line;
    line.Format("exit code %d: %s", exitCode, meaning);
    Line("exit", line);
    Close();
}

void Failure(const char* operation, const CString& pathOrKey, DWORD systemError)
{
    Line("failure", CString(operation) + " failed: " + pathOrKey + ", " + ErrorText(systemError));
}

} // namespace RunLog
