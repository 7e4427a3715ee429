#include "script/ScriptTable.h"

#include "script/ScriptLine.h"
#include "script/ScriptPieces.h"

void CScriptTable::Clear()
{
    m_count = 0;
    for (int i = 0; i < SCRIPT_MAX_ENTRIES; ++i) {
        m_entries[i].Section.Empty();
        m_entries[i].Key.Empty();
        m_entries[i].Value.Empty();
    }
}

int CScriptTable::Read(ScriptInput& input, const ScriptReport& report, const ScriptPieceWatcher& watcher)
{
    CScriptPieceReader reader(input);
    ScriptPiece piece;
    for (;;) {
        switch (reader.Next(piece)) {
        case CScriptPieceReader::End:
            return TRUE;
        case CScriptPieceReader::ReadError:
            if (report)
                report("File read error.", "");
            return FALSE;
        case CScriptPieceReader::Piece: {
            const int before = m_count;
            const int result = ParseScriptLine(piece.Text);
            if (watcher)
                watcher(piece, before, result);
            break;
        }
        }
    }
}

int CScriptTable::ParseScriptLine(const char* piece)
{
    if (!piece)
        return TRUE;
    const ScriptLine::Parsed line = ScriptLine::Parse(piece);
    switch (line.kind) {
    case ScriptLine::Kind::Section:
        return BeginSection(line.name);
    case ScriptLine::Kind::Key:
        return AddEntry(line.name, line.value);
    case ScriptLine::Kind::BadSection:
    case ScriptLine::Kind::EmptyKey:
        return FALSE;
    default:
        return TRUE;
    }
}

int CScriptTable::ParseSectionHeader(const char* text)
{
    if (!text)
        return FALSE;
    const ScriptLine::Parsed line = ScriptLine::ParseHeader(text);
    if (line.kind != ScriptLine::Kind::Section)
        return FALSE;
    return BeginSection(line.name);
}

// Keys and section names longer than SCRIPT_MAX_NAME bytes and values longer
// than SCRIPT_MAX_VALUE bytes are cut to fit, never inside a double-byte
// character; the rest of the line is lost, the line itself is kept.

int CScriptTable::AddEntry(const char* key, const char* value)
{
    if (m_count < 0 || m_count >= SCRIPT_MAX_ENTRIES)
        return FALSE;
    ScriptEntry& entry = m_entries[m_count];
    entry.Key = ScriptLine::CutAtCharBoundary(key ? key : "", SCRIPT_MAX_NAME);
    entry.Value = ScriptLine::CutAtCharBoundary(value ? value : "", SCRIPT_MAX_VALUE);
    // A key takes the section of the entry before it unless a header has
    // just named this slot; keys before any header keep the empty section.
    if (entry.Section.IsEmpty() && m_count != 0)
        entry.Section = m_entries[m_count - 1].Section;
    ++m_count;
    return TRUE;
}

int CScriptTable::BeginSection(const char* name)
{
    // An empty name would be taken for "no header yet".
    if (!name || !*name)
        return FALSE;
    if (m_count < 0 || m_count >= SCRIPT_MAX_ENTRIES)
        return FALSE;
    ScriptEntry& pending = m_entries[m_count];
    if (!pending.Section.IsEmpty()) {
        // The previous header had no key: it keeps its slot as an entry with
        // an empty key, so there must be room for the new header after it.
        if (m_count >= SCRIPT_MAX_ENTRIES - 1)
            return FALSE;
        pending.Key.Empty();
        pending.Value.Empty();
        ++m_count;
    }
    m_entries[m_count].Section = ScriptLine::CutAtCharBoundary(name, SCRIPT_MAX_NAME);
    return TRUE;
}

int FindScriptEntry(const ScriptEntry* entries, int count, const char* section, const char* key)
{
    const char* wantSection = section ? section : "";
    const char* wantKey = key ? key : "";
    if (count > SCRIPT_MAX_ENTRIES)
        count = SCRIPT_MAX_ENTRIES;
    for (int i = 0; i < count; ++i) {
        if (entries[i].Section == wantSection && entries[i].Key == wantKey)
            return i;
    }
    return -1;
}

CString FindScriptValue(const ScriptEntry* entries, int count, const char* section, const char* key)
{
    const int slot = FindScriptEntry(entries, count, section, key);
    return slot < 0 ? CString() : entries[slot].Value;
}
