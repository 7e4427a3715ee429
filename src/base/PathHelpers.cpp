#include "base/PathHelpers.h"

#include <cstring>

namespace PathHelpers {

namespace {

inline int CharLen(const char* text, int i)
{
    return CharLength(text + i);
}

// Both separators count here: the file system takes "/" for "\\" too.
inline bool IsSeparator(const char* text, int i, int length)
{
    return length == 1 && (text[i] == '\\' || text[i] == '/');
}

// A level that the file system reads as going up: two or more dots and
// nothing else but trailing dots and blanks, which it strips.
bool LeadsUpwards(const char* level, int length)
{
    int dots = 0;
    int i = 0;
    while (i < length && level[i] == '.') {
        ++dots;
        ++i;
    }
    while (i < length && (level[i] == '.' || level[i] == ' '))
        ++i;
    return dots >= 2 && i == length;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A name the system takes for a device in any folder ("C:\x\NUL" is the
// null device, not a file in C:\x): the part before the first dot, trailing
// blanks dropped, compared without regard to case.
bool IsDeviceName(const char* level, int length)
{
    int end = 0;
    while (end < length && level[end] != '.')
        ++end;
    while (end > 0 && level[end - 1] == ' ')
        --end;
    char name[8] = {};
    if (end < 3 || end > 7)
        return false;
    for (int i = 0; i < end; ++i)
        name[i] = Lower(level[i]);
    static const char* const DEVICES[] = {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"};
    for (const char* device : DEVICES)
        if (std::strcmp(name, device) == 0)
            return true;
    return end == 4 && (std::strncmp(name, "com", 3) == 0 || std::strncmp(name, "lpt", 3) == 0) && name[3] >= '0'
        && name[3] <= '9';
}

// A byte that may follow a lead byte in the double-byte code page. Another
// byte after a lead byte may be read as a character of its own ("/" a
// separator, "." part of a level that leads upwards).
bool IsTrailByte(char c)
{
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The number of leading bytes that 'a' and 'b' share, whole characters only,
// single-byte letters without regard to case.
int CommonPrefix(const char* a, const char* b)
{
    int i = 0;
    while (a[i] && b[i]) {
        int len = CharLen(a, i);
        if (len != CharLen(b, i))
            return i;
        if (len == 2 ? (a[i] != b[i] || a[i + 1] != b[i + 1]) : Lower(a[i]) != Lower(b[i]))
            return i;
        i += len;
    }
    return i;
}

} // namespace

bool StartsWithLowered(const char* path, const CString& loweredPrefix)
{
    const int length = loweredPrefix.GetLength();
    for (int i = 0; i < length; ++i) {
        const char c = path[i];
        if (IsLeadByte(c)) {
            if (c != loweredPrefix[i] || (i + 1 < length && path[i + 1] != loweredPrefix[i + 1]))
                return false;
            ++i;
        } else if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != loweredPrefix[i]) {
            // Also where the path ends: its zero matches no prefix byte.
            return false;
        }
    }
    return true;
}

int LastComponentStart(const char* text)
{
    if (!text || !*text)
        return -1;
    int after = 0;
    int i = 0;
    bool lastWasBackslash = false;
    while (text[i]) {
        int len = CharLen(text, i);
        lastWasBackslash = (len == 1 && text[i] == '\\');
        if (lastWasBackslash)
            after = i + 1;
        i += len;
    }
    return lastWasBackslash ? -1 : after;
}

int EndsWithSingleByteChar(const char* text)
{
    if (!text || !*text)
        return 0;
    int i = 0;
    int last = 1;
    while (text[i]) {
        last = CharLen(text, i);
        i += last;
    }
    return last == 1 ? 1 : 0;
}

bool EndsWithBackslash(const char* text)
{
    if (!EndsWithSingleByteChar(text))
        return false;
    int n = lstrlenA(text);
    return text[n - 1] == '\\';
}

int FindNthBackslash(const char* text, int from, int n)
{
    if (!text || n <= 0)
        return -1;
    int i = 0;
    // Walk from the start even when 'from' lies further on, so that 'from'
    // is never taken for the trail byte of a character before it.
    while (text[i]) {
        int len = CharLen(text, i);
        if (i >= from && len == 1 && text[i] == '\\' && --n == 0)
            return i;
        i += len;
    }
    return -1;
}

int LastBackslash(const char* text)
{
    int found = -1;
    for (int i = 0; text && text[i];) {
        int len = CharLen(text, i);
        if (len == 1 && text[i] == '\\')
            found = i;
        i += len;
    }
    return found;
}

CString WithoutTrailingBackslash(const CString& path)
{
    if (EndsWithBackslash(path))
        return path.Left(path.GetLength() - 1);
    return path;
}

CString WithTrailingBackslash(const CString& path)
{
    if (EndsWithBackslash(path))
        return path;
    return path + "\\";
}

namespace {

bool IsPlainRelative(const char* relative, bool devicesAreNames)
{
    const char* text = relative;
    if (!text || !text[0])
        return false;
    int levelStart = 0;
    int i = 0;
    for (;;) {
        const int len = text[i] ? CharLen(text, i) : 1;
        if (!text[i] || IsSeparator(text, i, len)) {
            const int length = i - levelStart;
            if (length == 0)
                return false;
            bool onlyDots = true;
            for (int k = levelStart; k < i; ++k)
                onlyDots = onlyDots && (text[k] == '.' || text[k] == ' ');
            if (onlyDots || (!devicesAreNames && IsDeviceName(text + levelStart, length)))
                return false;
            if (!text[i])
                return true;
            levelStart = i + 1;
        } else if (len == 1) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
                return false;
        } else if (!IsTrailByte(text[i + 1])) {
            return false;
        }
        i += len;
    }
}

} // namespace

bool StaysInside(const char* relative)
{
    return IsPlainRelative(relative, false);
}

bool StaysInsideKey(const char* relative)
{
    return IsPlainRelative(relative, true);
}

bool IsLevelOf(const char* level, const char* folder)
{
    const CString trimmedLevel = WithoutTrailingBackslash(level);
    const CString trimmedFolder = WithoutTrailingBackslash(folder);
    const char* a = trimmedLevel;
    // "X:\" and one level at least; every level must be a plain name.
    if (trimmedLevel.GetLength() < 4 || a[1] != ':' || a[2] != '\\' || !StaysInside(a + 3))
        return false;
    const int common = CommonPrefix(a, trimmedFolder);
    if (common != trimmedLevel.GetLength())
        return false;
    const char* rest = static_cast<const char*>(trimmedFolder) + common;
    return rest[0] == '\0' || rest[0] == '\\';
}

bool IsInside(const char* path, const char* folder)
{
    const CString base = WithTrailingBackslash(folder);
    const int common = CommonPrefix(path, base);
    return common == base.GetLength() && path[common] != '\0';
}

CString FolderOf(const CString& path)
{
    const int cut = LastBackslash(path);
    return cut >= 0 ? path.Left(cut) : path;
}

CString JoinBelow(const CString& folder, const CString& name)
{
    // A leading backslash is single-byte by position: no trail byte precedes it.
    const CString rest = (!name.IsEmpty() && name[0] == '\\') ? name.Mid(1) : name;
    return WithTrailingBackslash(folder) + rest;
}

CString NamedFileDestination(const CString& name)
{
    const char* text = name;
    int levelStart = 0;
    bool upwards = false;
    int i = 0;
    while (text[i]) {
        int len = CharLen(text, i);
        if (IsSeparator(text, i, len)) {
            upwards = upwards || LeadsUpwards(text + levelStart, i - levelStart);
            levelStart = i + 1;
        }
        i += len;
    }
    // The last level names the file itself; ".." there finds no file at all.
    if (!upwards)
        return name;
    return name.Mid(levelStart);
}

} // namespace PathHelpers
