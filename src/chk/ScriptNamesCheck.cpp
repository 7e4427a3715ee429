// Names the installer never reads: unknown sections and keys (with the
// nearest known name), keys outside any section or in the wrong one, and keys
// written twice.
#include "chk/ScriptCheckParts.h"

#include "chk/KnownKeys.h"

#include <set>

namespace Chk {

namespace {

using Kind = ScriptLine::Kind;

// A name the table cut never matches a known one; its finding says so.
bool NameCut(const PieceRecord& piece)
{
    return piece.Parsed.name.GetLength() > SCRIPT_MAX_NAME;
}

std::set<int> LinesWithCutKeys(const CScriptModel& model)
{
    std::set<int> lines;
    for (const PieceRecord& piece : model.Pieces) {
        if (piece.Parsed.kind == Kind::Key && NameCut(piece))
            lines.insert(piece.Line);
    }
    return lines;
}

void CheckSections(const CScriptModel& model, CFindings& findings)
{
    for (const PieceRecord& piece : model.Pieces) {
        if (piece.Parsed.kind != Kind::Section || !piece.Result || NameCut(piece))
            continue;
        const CString name = ScriptLine::CutAtCharBoundary(piece.Parsed.name, SCRIPT_MAX_NAME);
        if (IsKnownSection(name))
            continue;
        CString upper(name);
        upper.MakeUpper();
        if (IsKnownSection(upper)) {
            findings.Error(piece.Line, "unknown-section",
                           "section [" + name + "] is never read: names are case-sensitive; did you mean ["
                               + upper + "]?");
            continue;
        }
        const CString nearest = NearestName(name, KnownSections());
        findings.Warning(piece.Line, "unknown-section",
                         "section [" + name + "] is not read by the installer"
                             + (nearest.IsEmpty() ? CString() : "; did you mean [" + nearest + "]?"));
    }
}

// "DATA_PATH7", "WRITE_FILE0": a numbered key outside the numbers read.
bool OutOfRange(const CString& key, CString& range)
{
    static const struct {
        const char* prefix;
        const char* range;
    } families[] = {
        {"DATA_PATH", "DATA_PATH and DATA_PATH2 to DATA_PATH5"},
        {"WRITE_FILE", "WRITE_FILE1 to WRITE_FILE5"},
        {"REG_LIBFILE", "REG_LIBFILE1 to REG_LIBFILE5"},
    };
    for (const auto& family : families) {
        const CString prefix = family.prefix;
        if (key.Left(prefix.GetLength()) != prefix || key.GetLength() == prefix.GetLength())
            continue;
        const CString digits = key.Mid(prefix.GetLength());
        bool allDigits = true;
        for (int i = 0; i < digits.GetLength(); ++i)
            allDigits = allDigits && digits[i] >= '0' && digits[i] <= '9';
        if (allDigits) {
            range = family.range;
            return true;
        }
    }
    return false;
}

void CheckKeys(const CScriptModel& model, CFindings& findings)
{
    const std::set<int> cut = LinesWithCutKeys(model);
    for (int i = 0; i < model.Count; ++i) {
        const ScriptEntry& entry = model.Entries[i];
        const int line = model.EntryLine[i];
        if (entry.Key.IsEmpty() || cut.count(line))
            continue;
        if (entry.Section.IsEmpty()) {
            const char* home = SectionOfKey(entry.Key);
            if (home)
                findings.Error(line, "key-outside-section",
                               Quote(entry.Key) + " comes before any section header and is never read; it belongs in ["
                                   + home + "]");
            else
                findings.Warning(line, "key-outside-section",
                                 Quote(entry.Key) + " comes before any section header and is never read");
            continue;
        }
        if (!IsKnownSection(entry.Section))
            continue;

        if (FindKnownKey(entry.Section, entry.Key)) {
            const int first = FindScriptEntry(model.Entries, model.Count, entry.Section, entry.Key);
            if (first != i) {
                CString text;
                text.Format(" is set again in [%s]; the first value, on line %d, is the one read",
                            static_cast<const char*>(entry.Section), model.EntryLine[first]);
                findings.Warning(line, "duplicate-key", Quote(entry.Key) + text);
            }
            continue;
        }

        const char* home = SectionOfKey(entry.Key);
        if (home) {
            findings.Error(line, "wrong-section",
                           Quote(entry.Key) + " is read only in [" + home + "]; in [" + entry.Section
                               + "] it is never read");
            continue;
        }
        CString upper(entry.Key);
        upper.MakeUpper();
        if (FindKnownKey(entry.Section, upper)) {
            findings.Error(line, "unknown-key",
                           Quote(entry.Key) + " is never read: key names are case-sensitive; did you mean "
                               + Quote(upper) + "?");
            continue;
        }
        if (SectionOfKey(upper)) {
            findings.Error(line, "unknown-key",
                           Quote(entry.Key) + " is never read: key names are case-sensitive, and " + Quote(upper)
                               + " is read only in [" + SectionOfKey(upper) + "]");
            continue;
        }
        CString range;
        if (OutOfRange(upper, range)) {
            findings.Warning(line, "unknown-key", Quote(entry.Key) + " is never read: only " + range + " are");
            continue;
        }
        const CString nearest = NearestName(entry.Key, KeysOf(entry.Section));
        findings.Warning(line, "unknown-key",
                         Quote(entry.Key) + " is not read by the installer in [" + entry.Section + "]"
                             + (nearest.IsEmpty() ? CString() : "; did you mean " + Quote(nearest) + "?"));
    }
}

} // namespace

void CheckNames(const CScriptModel& model, CFindings& findings)
{
    CheckSections(model, findings);
    CheckKeys(model, findings);
}

} // namespace Chk
