#include "script/ScriptLine.h"

#include "base/PathHelpers.h"

namespace ScriptLine {

namespace {

using PathHelpers::CharLength;

// The first single-byte character of 'text' that is one of 'set', or null.
// The Shift-JIS trail bytes 0x5B and 0x5D are '[' and ']' (as in "ー",
// 0x81 0x5B), so the scan steps over whole characters.
const char* FindFirstOf(const char* text, const char* set)
{
    for (const char* p = text; *p; p += CharLength(p)) {
        if (CharLength(p) == 1) {
            for (const char* s = set; *s; ++s) {
                if (*p == *s)
                    return p;
            }
        }
    }
    return nullptr;
}

// TRUE when 'p' is the piece's own closing line feed.
inline bool IsFinalLineFeed(const char* p)
{
    return p[0] == '\n' && p[1] == '\0';
}

// The value after the "=": "\n" becomes a line feed. The whole-character
// walk keeps "表n" (0x95 0x5C 'n') intact, where a byte scan would see an
// escape in the trail byte.
CString UnescapeValue(const char* text)
{
    CString value;
    const char* p = text;
    while (*p && !IsFinalLineFeed(p)) {
        if (PathHelpers::IsLeadByte(*p)) {
            // A lead byte with nothing after it on its line is half a
            // character: kept, it would join whatever the program appends
            // (a backslash after a folder name) into one character.
            if (!p[1] || IsFinalLineFeed(p + 1))
                break;
            value += *p++;
            value += *p++;
        } else if (p[0] == '\\' && p[1] == 'n') {
            value += '\n';
            p += 2;
        } else {
            value += *p++;
        }
    }
    return value;
}

} // namespace

Parsed ParseHeader(const char* text)
{
    Parsed parsed;
    parsed.kind = Kind::BadSection;
    const char* open = text ? FindFirstOf(text, "[") : nullptr;
    if (!open)
        return parsed;
    const char* name = open + 1;
    const char* close = FindFirstOf(name, "]");
    if (!close || close == name)
        return parsed;
    parsed.kind = Kind::Section;
    parsed.name = CString(name, static_cast<int>(close - name));
    const char* rest = close + 1;
    parsed.textAfterSection = *rest && !IsFinalLineFeed(rest);
    return parsed;
}

Parsed Parse(const char* piece)
{
    Parsed parsed;
    if (!piece)
        return parsed;
    // Only spaces are skipped; a tab belongs to the key.
    const char* line = piece;
    while (*line == ' ')
        ++line;

    // Whichever comes first decides the kind of line, so "X;Y=Z" is a
    // comment and "[SEC]KEY=v" a header whose key is dropped.
    const char* mark = FindFirstOf(line, "[=;");
    if (!mark)
        return parsed;
    if (*mark == ';') {
        parsed.kind = Kind::Comment;
        return parsed;
    }
    if (*mark == '[')
        return ParseHeader(line);

    const char* keyEnd = FindFirstOf(line, " =");
    if (keyEnd == line) {
        parsed.kind = Kind::EmptyKey;
        return parsed;
    }
    parsed.kind = Kind::Key;
    parsed.name = CString(line, static_cast<int>(keyEnd - line));
    // "KEY x=v": what stands between the key's end and the "=" is lost.
    for (const char* p = keyEnd; p < mark; ++p)
        parsed.textBeforeEquals = parsed.textBeforeEquals || *p != ' ';
    parsed.value = UnescapeValue(mark + 1);
    return parsed;
}

CString CutAtCharBoundary(const char* text, int maxBytes)
{
    int n = 0;
    while (text[n]) {
        int len = CharLength(text + n);
        if (n + len > maxBytes)
            break;
        n += len;
    }
    return CString(text, n);
}

} // namespace ScriptLine
