#include "PathHelpers.h"

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

} // namespace

int CharLength(const char* text)
{
    if (IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0')
        return 2;
    return 1;
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
