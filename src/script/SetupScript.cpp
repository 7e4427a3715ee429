// The setup script table: reading "tarvel.eif" into the document's 200 slots
// and looking settings up in it.
#include "app/TarvelDoc.h"
#include "script/ScriptKeys.h"

namespace {

// Bytes taken by the character at 'text': a lead byte takes its trail byte
// with it, unless the text ends right after the lead byte.
inline int CharLength(const char* text)
{
    if (IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0')
        return 2;
    return 1;
}

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

// The longest start of 'text' that fits in maxBytes without splitting a
// double-byte character.
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
        if (IsDBCSLeadByte(static_cast<BYTE>(*p))) {
            value += *p++;
            // A piece cut after a lead byte leaves it alone; a line feed is
            // never a trail byte, so it stays the line's end.
            if (*p && !IsFinalLineFeed(p))
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

int CTarvelDoc::ReadScript()
{
    ScriptCount = 0;
    for (ScriptEntry& entry : SetupScript) {
        entry.Section.Empty();
        entry.Key.Empty();
        entry.Value.Empty();
    }

    CStdioFile file;
    if (!file.Open(SETUP_SCRIPT_FILE, CFile::modeRead | CFile::typeText)) {
        ShowTwoLineMessage("File open error.", "");
        return FALSE;
    }

    // A line longer than one piece is parsed piece by piece, each as a line
    // of its own; the extra byte is the terminator.
    char piece[SCRIPT_PIECE_BYTES + 1];
    try {
        while (file.ReadString(piece, sizeof(piece)))
            ParseScriptLine(piece);
    } catch (const CFileException&) {
        file.Abort();
        // What was parsed before the failure stays in the table.
        ShowTwoLineMessage("File read error.", "");
        return FALSE;
    }
    return TRUE;
}

int CTarvelDoc::ParseScriptLine(const char* piece)
{
    if (!piece)
        return TRUE;
    // Only spaces are skipped; a tab belongs to the key.
    const char* line = piece;
    while (*line == ' ')
        ++line;

    // Whichever comes first decides the kind of line, so "X;Y=Z" is a
    // comment and "[SEC]KEY=v" a header whose key is dropped.
    const char* mark = FindFirstOf(line, "[=;");
    if (!mark || *mark == ';')
        return TRUE;
    if (*mark == '[')
        return ParseSectionHeader(line);

    const char* keyEnd = FindFirstOf(line, " =");
    if (keyEnd == line)
        return FALSE;
    return AddScriptEntry(CString(line, static_cast<int>(keyEnd - line)), UnescapeValue(mark + 1));
}

int CTarvelDoc::ParseSectionHeader(const char* text)
{
    if (!text)
        return FALSE;
    const char* open = FindFirstOf(text, "[");
    if (!open)
        return FALSE;
    const char* name = open + 1;
    const char* close = FindFirstOf(name, "]");
    if (!close || close == name)
        return FALSE;
    return BeginSection(CString(name, static_cast<int>(close - name)));
}

// Keys and section names longer than SCRIPT_MAX_NAME bytes and values longer
// than SCRIPT_MAX_VALUE bytes are cut to fit, never inside a double-byte
// character; the rest of the line is lost, the line itself is kept.

int CTarvelDoc::AddScriptEntry(const char* key, const char* value)
{
    if (ScriptCount < 0 || ScriptCount >= SCRIPT_MAX_ENTRIES)
        return FALSE;
    ScriptEntry& entry = SetupScript[ScriptCount];
    entry.Key = CutAtCharBoundary(key ? key : "", SCRIPT_MAX_NAME);
    entry.Value = CutAtCharBoundary(value ? value : "", SCRIPT_MAX_VALUE);
    // A key takes the section of the entry before it unless a header has
    // just named this slot; keys before any header keep the empty section.
    if (entry.Section.IsEmpty() && ScriptCount != 0)
        entry.Section = SetupScript[ScriptCount - 1].Section;
    ++ScriptCount;
    return TRUE;
}

int CTarvelDoc::BeginSection(const char* name)
{
    // An empty name would be taken for "no header yet".
    if (!name || !*name)
        return FALSE;
    if (ScriptCount < 0 || ScriptCount >= SCRIPT_MAX_ENTRIES)
        return FALSE;
    ScriptEntry& pending = SetupScript[ScriptCount];
    if (!pending.Section.IsEmpty()) {
        // The previous header had no key: it keeps its slot as an entry with
        // an empty key, so there must be room for the new header after it.
        if (ScriptCount >= SCRIPT_MAX_ENTRIES - 1)
            return FALSE;
        pending.Key.Empty();
        pending.Value.Empty();
        ++ScriptCount;
    }
    SetupScript[ScriptCount].Section = CutAtCharBoundary(name, SCRIPT_MAX_NAME);
    return TRUE;
}

CString CTarvelDoc::GetScriptValue(const char* section, const char* key) const
{
    const char* wantSection = section ? section : "";
    const char* wantKey = key ? key : "";
    int count = ScriptCount < SCRIPT_MAX_ENTRIES ? ScriptCount : SCRIPT_MAX_ENTRIES;
    for (int i = 0; i < count; ++i) {
        const ScriptEntry& entry = SetupScript[i];
        if (entry.Section == wantSection && entry.Key == wantKey)
            return entry.Value;
    }
    return CString();
}
