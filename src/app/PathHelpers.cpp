#include "PathHelpers.h"

namespace PathHelpers {

namespace {

inline int CharLen(const char* text, int i)
{
    return CharLength(text + i);
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

} // namespace PathHelpers
