// The setup script table: "tarvel.eif" read into at most SCRIPT_MAX_ENTRIES
// (section, key, value) entries, and the lookups in it. The table lives in
// the document (CTarvelDoc::SetupScript); CScriptTable works on it in place,
// so that the installer, its checker and the fuzz target run the same code.
// Plain C++ over CString: it builds for Windows and natively alike.
#pragma once

#include "base/afxstr.h"
#include "script/ScriptLimits.h"

#include <functional>

// One entry of the setup script table.
struct ScriptEntry
{
    CString Section;
    CString Key;
    CString Value;
};

// The slot of the first of entries[0 .. count-1] with exactly this section
// and key (case counts), or -1. First match wins: a key written twice keeps
// its first value.
int FindScriptEntry(const ScriptEntry* entries, int count, const char* section, const char* key);

// The value of that first entry, or an empty string.
CString FindScriptValue(const ScriptEntry* entries, int count, const char* section, const char* key);

class ScriptInput;
struct ScriptPiece;

// Told of a read error: the two lines of the message the user is to see.
using ScriptReport = std::function<void(const char* first, const char* second)>;

// Sees every piece the reader parsed, with the table's count before and after
// and the parser's result (the checker maps entries to lines with it).
using ScriptPieceWatcher = std::function<void(const ScriptPiece& piece, int countBefore, int result)>;

class CScriptTable
{
public:
// Construction
    // The table is entries[0 .. SCRIPT_MAX_ENTRIES-1]; count is its fill.
    CScriptTable(ScriptEntry* entries, int& count) : m_entries(entries), m_count(count) {}

// Attributes
    int Count() const { return m_count; }
    const ScriptEntry& At(int i) const { return m_entries[i]; }

// Operations
    // Empties the table: count 0, no section or key left in any slot.
    void Clear();
    // Parses the whole input into the table. On a read error passes "File
    // read error." once to 'report' and returns FALSE; what was parsed
    // before it stays in the table.
    int Read(ScriptInput& input, const ScriptReport& report, const ScriptPieceWatcher& watcher = nullptr);

    // One piece of a line. TRUE when it was stored or ignored; FALSE when a
    // key line had an empty key or a header was dropped.
    int ParseScriptLine(const char* piece);
    // A header line from its first non-space byte: TRUE when a section began.
    int ParseSectionHeader(const char* text);
    // FALSE when the table is full; names and values are cut to their bounds.
    int AddEntry(const char* key, const char* value);
    int BeginSection(const char* name);

private:
    ScriptEntry* m_entries;
    int& m_count;
};
