// The script as the installer reads it: the table the installer's own reader
// builds from the file's bytes, and the line of the file behind every entry
// and every piece, for the checker's reports.
#pragma once

#include "script/ScriptLine.h"
#include "script/ScriptTable.h"

#include <string>
#include <vector>

namespace Chk {

// One piece the reader parsed, and what the table made of it.
struct PieceRecord
{
    int Line = 0;
    int Column = 0;  // byte offset in its line; above 0 for the rest of a long line
    int Length = 0;
    bool EndsLine = false;
    bool HasZeroByte = false;
    ScriptLine::Parsed Parsed;
    int Result = 0;

    // A header that began a section, or a key line that was stored.
    bool Stored() const;
};

class CScriptModel
{
public:
    ScriptEntry Entries[SCRIPT_MAX_ENTRIES];
    int Count = 0;
    // The line of each entry's key line (of the header, for the placeholder
    // entry of a header that no key followed).
    int EntryLine[SCRIPT_MAX_ENTRIES] = {};
    std::vector<PieceRecord> Pieces;
    bool ReadFailed = false;

    // Reads the bytes with the installer's reader.
    void Read(const std::string& bytes);

    // The installer's lookup, and the line of the entry it finds (0: none).
    CString Value(const char* section, const char* key) const;
    int LineOf(const char* section, const char* key) const;
};

} // namespace Chk
