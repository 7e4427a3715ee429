#include "chk/ScriptCheck.h"

#include "chk/KnownKeys.h"
#include "script/ScriptKeys.h"
#include "script/ScriptProducts.h"

#include <cstdlib>
#include <set>

namespace Chk {

namespace {

using Kind = ScriptLine::Kind;

// --- bytes ---------------------------------------------------------------------

int LineAt(const std::string& bytes, size_t position)
{
    int line = 1;
    for (size_t i = 0; i < position && i < bytes.size(); ++i)
        line += bytes[i] == '\n';
    return line;
}

// Where each line of the file begins.
std::vector<size_t> LineStarts(const std::string& bytes)
{
    std::vector<size_t> starts = {0};
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            starts.push_back(i + 1);
    }
    return starts;
}

// The length of a well-formed UTF-8 sequence of two to four bytes at 'i', or 0.
size_t Utf8Sequence(const std::string& bytes, size_t i)
{
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (!length || i + length > bytes.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// A file whose bytes above 0x7F all form UTF-8 sequences, and that has at
// least one: Shift-JIS text practically never does (its lead bytes 0x81 to
// 0x9F are UTF-8 continuation bytes, and so is half-width katakana).
bool LooksLikeUtf8(const std::string& bytes, size_t& first)
{
    bool any = false;
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t length = Utf8Sequence(bytes, i);
        if (!length)
            return false;
        if (!any)
            first = i;
        any = true;
        i += length;
    }
    return any;
}

bool IsShiftJisLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsShiftJisTrail(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// False when the file cannot be read as lines at all: what the table then
// holds is no use to check.
bool CheckBytes(const std::string& bytes, CFindings& findings)
{
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        findings.Error(1, "utf8-script",
                       "the script is saved as UTF-8 with a byte-order mark: the installer reads it as Shift-JIS, "
                       "so every Japanese text shows garbled; save it as Shift-JIS (code page 932)");
        return true;
    }
    size_t first = 0;
    if (LooksLikeUtf8(bytes, first)) {
        findings.Error(LineAt(bytes, first), "utf8-script",
                       "the script is saved as UTF-8: the installer reads it as Shift-JIS, so every Japanese "
                       "text shows garbled; save it as Shift-JIS (code page 932)");
        return true;
    }

    std::set<int> reported;
    bool lfSeen = false, crAlone = false, zero = false;
    int line = 1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n') {
            lfSeen = true;
            ++line;
        }
        if (c == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
            crAlone = true;
        if (c == 0 && !zero) {
            zero = true;
            findings.Warning(line, "zero-byte",
                             "a zero byte: the installer reads the line only up to it");
        }
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF))
            continue;
        if (!IsShiftJisLead(c)) {
            if (reported.insert(line).second) {
                CString text;
                text.Format("byte 0x%02X is not Shift-JIS", c);
                findings.Warning(line, "not-shift-jis", text);
            }
            continue;
        }
        const unsigned char next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (i + 1 == bytes.size() || next == '\n' || (next == '\r' && (i + 2 == bytes.size() || bytes[i + 2] == '\n'))) {
            if (reported.insert(line).second) {
                CString text;
                text.Format("the line ends inside a double-byte character (lead byte 0x%02X with no second byte); "
                            "the installer drops that byte from the value",
                            c);
                findings.Warning(line, "line-ends-in-character", text);
            }
            continue;
        }
        if (!IsShiftJisTrail(next) && reported.insert(line).second) {
            CString text;
            text.Format("bytes 0x%02X 0x%02X are not Shift-JIS", c, next);
            findings.Warning(line, "not-shift-jis", text);
        }
        ++i;
    }
    if (crAlone) {
        findings.Error(lfSeen ? LineAt(bytes, bytes.find('\r')) : 1, "cr-line-ends",
                       "lines end in a carriage return alone: the installer takes such lines for one, and loses "
                       "every key after the first; save the script with CR LF line ends");
    }
    return lfSeen || !crAlone;
}

// --- what the reader makes of each piece ----------------------------------------

CString JoinNames(const std::vector<CString>& names, size_t most = 6)
{
    CString out;
    for (size_t i = 0; i < names.size() && i < most; ++i)
        out += (i ? ", " : "") + names[i];
    if (names.size() > most)
        out += ", ...";
    return out;
}

void CheckPieces(const CScriptModel& model, CFindings& findings)
{
    const std::vector<PieceRecord>& pieces = model.Pieces;
    for (size_t p = 0; p < pieces.size(); ++p) {
        const PieceRecord& piece = pieces[p];

        // The table is full from here on.
        if (!piece.Result && (piece.Parsed.kind == Kind::Key || piece.Parsed.kind == Kind::Section)
            && !piece.Parsed.name.IsEmpty()) {
            std::vector<CString> lost;
            int lines = 0;
            for (size_t q = p; q < pieces.size(); ++q) {
                if (pieces[q].Parsed.kind != Kind::Key && pieces[q].Parsed.kind != Kind::Section)
                    continue;
                ++lines;
                if (pieces[q].Parsed.kind == Kind::Key && SectionOfKey(pieces[q].Parsed.name))
                    lost.push_back(pieces[q].Parsed.name);
            }
            CString text;
            text.Format("the script's %d entries are used up (a header that no key follows takes one too): "
                        "this and every later key or section line are never read (%d lines",
                        SCRIPT_MAX_ENTRIES, lines);
            if (!lost.empty())
                text += ", among them " + JoinNames(lost);
            findings.Error(piece.Line, "table-full", text + ")");
            break;
        }
    }

    for (size_t p = 0; p < pieces.size(); ++p) {
        const PieceRecord& piece = pieces[p];
        const ScriptLine::Parsed& parsed = piece.Parsed;
        if (piece.HasZeroByte)
            continue; // reported with the bytes

        // The rest of a line longer than a piece.
        if (piece.Column > 0) {
            if (pieces[p - 1].Column > 0)
                continue; // one finding per line
            int length = piece.Column;
            for (size_t q = p; q < pieces.size() && pieces[q].Line == piece.Line; ++q)
                length += pieces[q].Length;
            const PieceRecord* stored = nullptr;
            for (size_t q = p; q < pieces.size() && pieces[q].Line == piece.Line && !stored; ++q) {
                if (pieces[q].Column > 0 && pieces[q].Stored())
                    stored = &pieces[q];
            }
            CString text;
            if (stored) {
                text.Format("the line is %d bytes long: the installer reads it in pieces of %d bytes, and the "
                            "piece from byte %d on, taken for a line of its own, ",
                            length, SCRIPT_PIECE_BYTES, stored->Column);
                if (stored->Parsed.kind == Kind::Section)
                    text += "starts section [" + stored->Parsed.name + "], which takes every later key";
                else
                    text += "sets key " + Quote(stored->Parsed.name);
                findings.Error(piece.Line, "long-line", text);
            } else {
                text.Format("the line is %d bytes long: the installer reads the first %d and ignores the rest",
                            length, piece.Column);
                findings.Warning(piece.Line, "long-line", text);
            }
            continue;
        }

        switch (parsed.kind) {
        case Kind::BadSection:
            findings.Warning(piece.Line, "bad-header",
                             "a \"[\" without a name and a closing \"]\": the line is ignored");
            break;
        case Kind::EmptyKey:
            findings.Warning(piece.Line, "empty-key", "no key before the \"=\": the line is ignored");
            break;
        case Kind::Section:
            if (parsed.textAfterSection)
                findings.Warning(piece.Line, "text-after-header",
                                 "text after the \"]\" is ignored; a key must stand on a line of its own");
            if (parsed.name.GetLength() > SCRIPT_MAX_NAME && piece.Result) {
                CString text;
                text.Format("the section name is %d bytes long; the installer keeps the first %d",
                            parsed.name.GetLength(), SCRIPT_MAX_NAME);
                findings.Warning(piece.Line, "name-cut", text);
            }
            break;
        case Kind::Key:
            if (!piece.Result)
                break;
            if (parsed.textBeforeEquals)
                findings.Warning(piece.Line, "text-before-equals",
                                 "the key ends at its first space: the text between it and the \"=\" is ignored");
            if (parsed.name.GetLength() > SCRIPT_MAX_NAME) {
                CString text;
                text.Format("the key is %d bytes long; the installer keeps the first %d",
                            parsed.name.GetLength(), SCRIPT_MAX_NAME);
                findings.Warning(piece.Line, "name-cut", text);
            }
            if (parsed.value.GetLength() > SCRIPT_MAX_VALUE) {
                const int kept = ScriptLine::CutAtCharBoundary(parsed.value, SCRIPT_MAX_VALUE).GetLength();
                CString text;
                text.Format("the value is %d bytes long; the installer keeps the first %d and loses the rest, "
                            "from ",
                            parsed.value.GetLength(), kept);
                findings.Warning(piece.Line, "value-cut",
                                 text + Quote(ScriptLine::CutAtCharBoundary(parsed.value.Mid(kept), 16)) + " on");
            }
            break;
        default:
            break;
        }
    }
}

// Lines with text that is neither a key, a header nor a comment.
void CheckStrayLines(const std::string& bytes, const CScriptModel& model, CFindings& findings)
{
    const std::vector<size_t> starts = LineStarts(bytes);
    for (const PieceRecord& piece : model.Pieces) {
        if (piece.Column > 0 || piece.HasZeroByte || piece.Parsed.kind != Kind::Ignored)
            continue;
        // Only spaces, tabs and line ends make a blank line.
        if (piece.Line < 1 || static_cast<size_t>(piece.Line) > starts.size())
            continue;
        const size_t start = starts[static_cast<size_t>(piece.Line) - 1];
        bool blank = true;
        for (size_t i = start; i < bytes.size() && bytes[i] != '\n'; ++i)
            blank = blank && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r');
        if (!blank)
            findings.Warning(piece.Line, "ignored-line",
                             "no \"=\", \"[\" or \";\" on the line: the installer ignores it");
    }
}

// --- sections and keys -------------------------------------------------------------

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

// --- values ------------------------------------------------------------------------------

void CheckValueForms(const CScriptModel& model, CFindings& findings)
{
    for (int i = 0; i < model.Count; ++i) {
        const ScriptEntry& entry = model.Entries[i];
        const KnownKey* known = FindKnownKey(entry.Section, entry.Key);
        // Only the entry the installer reads: a later duplicate has its own finding.
        if (!known || FindScriptEntry(model.Entries, model.Count, entry.Section, entry.Key) != i)
            continue;
        const int line = model.EntryLine[i];
        const CString& value = entry.Value;
        if ((known->Kind == ValueKind::Path || known->Kind == ValueKind::Name) && value.Find('\n') >= 0) {
            findings.Error(line, "line-feed-in-path",
                           "the value " + Quote(value) + " holds a line feed: \"\\n\" is read as a line break "
                               "even in a path; write the letter after the backslash in upper case (\\N)");
        }
        if (known->Kind != ValueKind::Text && !value.IsEmpty()
            && (value[0] == ' ' || value[value.GetLength() - 1] == ' ')) {
            findings.Warning(line, "value-spaces",
                             "the value " + Quote(value) + " begins or ends with a space, which is part of it "
                                 "(\"KEY = value\" gives \" value\")");
        }
        if (known->Kind == ValueKind::Flag && !value.IsEmpty() && value.CompareNoCase(FLAG_TRUE) != 0
            && value.CompareNoCase(FLAG_FALSE) != 0) {
            findings.Warning(line, "flag-value",
                             Quote(value) + " is neither TRUE nor FALSE: the flag counts as not set");
        }
        if (known->Kind == ValueKind::Number) {
            char* end = nullptr;
            std::strtoll(value, &end, 10);
            if (end == static_cast<const char*>(value))
                findings.Warning(line, "product-count",
                                 Quote(value) + " is no number: no product key file is registered");
        }
    }
}

// A list that ends at its first empty key: the keys after it are never read.
void CheckNumberedList(const CScriptModel& model, const std::vector<CString>& keys, CFindings& findings)
{
    size_t end = 0;
    while (end < keys.size() && !model.Value(SEC_INSTALL, keys[end]).IsEmpty())
        ++end;
    for (size_t k = end + 1; k < keys.size(); ++k) {
        if (model.Value(SEC_INSTALL, keys[k]).IsEmpty())
            continue;
        const bool set = model.LineOf(SEC_INSTALL, keys[end]) != 0;
        findings.Error(model.LineOf(SEC_INSTALL, keys[k]), "numbered-gap",
                       Quote(keys[k]) + " is never read: the list ends at " + Quote(keys[end]) + ", which is "
                           + (set ? "empty" : "not set"));
    }
}

CString Format1(const char* format, int n)
{
    CString text;
    text.Format(format, n);
    return text;
}

void CheckLists(const CScriptModel& model, CFindings& findings)
{
    std::vector<CString> data = {KEY_DATA_PATH}, writable, libraries;
    for (int n = 2; n <= 5; ++n)
        data.push_back(Format1(KEY_DATA_PATH_FMT, n));
    for (int n = 1; n <= 5; ++n) {
        writable.push_back(Format1(KEY_WRITE_FILE_FMT, n));
        libraries.push_back(Format1(KEY_REG_LIBFILE_FMT, n));
    }
    CheckNumberedList(model, data, findings);
    CheckNumberedList(model, writable, findings);

    const CString first = model.Value(SEC_INSTALL, KEY_REG_LIBFILE1);
    if (first.CompareNoCase(VALUE_NONE) == 0) {
        for (size_t k = 1; k < libraries.size(); ++k) {
            if (!model.Value(SEC_INSTALL, libraries[k]).IsEmpty())
                findings.Error(model.LineOf(SEC_INSTALL, libraries[k]), "numbered-gap",
                               Quote(libraries[k]) + " is never read: REG_LIBFILE1 is NONE");
        }
    } else if (!first.IsEmpty()) {
        CheckNumberedList(model, libraries, findings);
    }
}

// Product i's number when the key is one of its three, else 0.
int ProductNumber(const CString& key)
{
    for (const char* format : {KEY_PRODUCT_NAME_FMT, KEY_PRODUCT_LANGUAGE_FMT, KEY_PRODUCT_KEY_FILE_FMT}) {
        const CString prefix = CString(format).Left(CString(format).Find('%'));
        if (key.Left(prefix.GetLength()) != prefix)
            continue;
        char* end = nullptr;
        const CString digits = key.Mid(prefix.GetLength());
        long long n = std::strtoll(digits, &end, 10);
        if (!digits.IsEmpty() && *end == '\0' && n > 0 && n <= 0x7FFFFFFF && Format1(format, static_cast<int>(n)) == key)
            return static_cast<int>(n);
    }
    return 0;
}

void CheckProducts(const CScriptModel& model, CFindings& findings)
{
    const CString countText = model.Value(SEC_INSTALL, KEY_PRODUCT_NUM);
    const int count = ScriptProducts::Count(countText);
    std::set<int> seen;
    for (int i = 0; i < model.Count; ++i) {
        const ScriptEntry& entry = model.Entries[i];
        const int n = entry.Section == SEC_INSTALL ? ProductNumber(entry.Key) : 0;
        if (!n || !seen.insert(n).second)
            continue;
        if (n > count) {
            // PRODUCT_KEY_FILE1 is the shortcuts' target as well: it is read anyway.
            if (n == 1 && entry.Key == KEY_PRODUCT_KEY_FILE1)
                continue;
            CString text;
            text.Format(" is never read as product %d's: PRODUCT_NUM makes %d product%s", n, count,
                        count == 1 ? "" : "s");
            findings.Warning(model.EntryLine[i], "product-beyond-count", Quote(entry.Key) + text);
            continue;
        }
        const CString keys[] = {Format1(KEY_PRODUCT_NAME_FMT, n), Format1(KEY_PRODUCT_LANGUAGE_FMT, n),
                                Format1(KEY_PRODUCT_KEY_FILE_FMT, n)};
        std::vector<CString> missing;
        for (const CString& key : keys) {
            if (model.Value(SEC_INSTALL, key).IsEmpty())
                missing.push_back(key);
        }
        // Product 1 with only its key file is the usual shortcut-only script.
        if (missing.empty() || missing.size() == 3 || (n == 1 && missing.size() == 2 && !model.Value(SEC_INSTALL, keys[2]).IsEmpty()))
            continue;
        CString text;
        text.Format("product %d is skipped: ", n);
        findings.Warning(model.EntryLine[i], "product-incomplete", text + JoinNames(missing) + " not set");
    }
}

// --- what empty or missing keys will mean --------------------------------------------

bool Shown(const CScriptModel& model, const char* flag)
{
    return model.Value(SEC_INSTALL, flag).CompareNoCase(FLAG_FALSE) != 0;
}

void CheckEmptyTexts(const CScriptModel& model, const char* what, const std::vector<const char*>& keys,
                     const char* section, CFindings& findings)
{
    std::vector<CString> empty;
    for (const char* key : keys) {
        if (model.Value(section, key).IsEmpty())
            empty.push_back(key);
    }
    if (!empty.empty())
        findings.Warning(0, "empty-text", CString(what) + JoinNames(empty, 10));
}

void CheckRequired(const CScriptModel& model, CFindings& findings)
{
    auto required = [&](const char* section, const char* key, const char* consequence) {
        if (model.Value(section, key).IsEmpty())
            findings.Error(model.LineOf(section, key), "missing-key",
                           CString("[") + section + "] " + key + " is not set: " + consequence);
    };
    required(SEC_UNINSTALL, KEY_UNINSTALL_FILE, "the installer stops at once with ERR_MES_FILE_NOT_EXIST");
    required(SEC_INSTALL, KEY_ICON_NAME, "the installer stops before copying with ERR_MES_FILE_NOT_EXIST");
    required(SEC_INSTALL, KEY_REG_LIBFILE1,
             "the installer stops at once with \"[REG_LIBFILE1]Key not found.\"; write REG_LIBFILE1=NONE for a "
             "package without shared libraries");
    const CString firstLibrary = model.Value(SEC_INSTALL, KEY_REG_LIBFILE1);
    if (!firstLibrary.IsEmpty() && firstLibrary.CompareNoCase(VALUE_NONE) != 0) {
        required(SEC_INSTALL, KEY_LIBFILEPATH_BASE, "the installer stops at once with \"[LIBFILEPATH_BASE]Key not found.\"");
        required(SEC_INSTALL, KEY_COMMON_PATH, "the installer stops at once with \"[COMMON_PATH]Key not found.\"");
    }
    required(SEC_UNINSTALL, KEY_UNINSTALL_KEY,
             "the uninstall values are written into the Uninstall key itself, where they belong to no "
             "package");
}

void CheckDefaults(const CScriptModel& model, CFindings& findings)
{
    if (model.Value(SEC_INSTALL, KEY_CAPTION).IsEmpty())
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_CAPTION), "empty-text",
                         "CAPTION is not set: message boxes are captioned \"Error\" and the dialogs have no title");
    if (Shown(model, KEY_FLAG_INSTFOL_DIALOG))
        CheckEmptyTexts(model, "the install-folder dialog and the folder browser show empty texts for ",
                        {KEY_MSG_FOLDER_SEL, KEY_FOLDER_TITLE, KEY_BUTTON_REF, KEY_BUTTON_OK, KEY_BUTTON_CANCEL,
                         KEY_MSG_SELECT_FOLDER, KEY_MAKE_FOLDER_CONF},
                        SEC_INSTALL, findings);
    if (Shown(model, KEY_FLAG_STATUS_DIALOG))
        CheckEmptyTexts(model, "the status dialog shows an empty text for ", {KEY_MSG_COPY_FILE}, SEC_INSTALL,
                        findings);
    if (Shown(model, KEY_FLAG_END_DIALOG))
        CheckEmptyTexts(model, "the end dialog shows empty texts for ", {KEY_MSG_INSTALL_END, KEY_BUTTON_OK},
                        SEC_INSTALL, findings);
    else
        findings.Note(model.LineOf(SEC_INSTALL, KEY_FLAG_END_DIALOG), "no-end-dialog",
                      "no end dialog: an interactive install ends without a word to the user");
    std::vector<const char*> errors = {KEY_ERR_MES_FILE_NOT_EXIST, KEY_ERR_MES_ERROR_OCCURRED,
                                       KEY_ERR_MES_WRITE_ERROR,    KEY_ERR_MES_COPY_ERROR,
                                       KEY_ERR_MES_NOSPACE,        KEY_ERR_MES_USER_CANCEL};
    if (Shown(model, KEY_FLAG_INSTFOL_DIALOG))
        errors.push_back(KEY_ERR_SEL_FOL_INVALID);
    CheckEmptyTexts(model, "these failures show an empty message box: ", errors, SEC_ERROR, findings);

    if (model.Value(SEC_INSTALL, KEY_UNINSTALL_NAME).IsEmpty())
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_UNINSTALL_NAME), "empty-text",
                         "UNINSTALL_NAME is not set: the list of installed software shows the package without a name");
    if (model.Value(SEC_INSTALL, KEY_SHORTCUT_NAME).IsEmpty())
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_SHORTCUT_NAME), "empty-text",
                         "SHORTCUT_NAME is not set: the shortcuts are named \".lnk\"");
    if (model.Value(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1).IsEmpty())
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1), "empty-text",
                         "PRODUCT_KEY_FILE1 is not set: the shortcuts open the destination folder");

    const CString folder = model.Value(SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME);
    if (folder.Find('\\') >= 0 || folder.Find('/') >= 0)
        findings.Warning(model.LineOf(SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME), "program-folder-levels",
                         "PROGRAM_FOLDER_NAME " + Quote(folder) + " has more than one level: the installer makes "
                             "only the last one, so the install fails unless the Start menu already has the others");

    const CString base = model.Value(SEC_INSTALL, KEY_APPPATH_BASE);
    const int baseLine = model.LineOf(SEC_INSTALL, KEY_APPPATH_BASE);
    if (base.IsEmpty()) {
        findings.Warning(baseLine, "destination",
                         "APPPATH_BASE is not set: the package is installed into the program-files folder itself");
    } else {
        for (const char* bad = ":*?\"<>|"; *bad; ++bad) {
            if (base.Find(*bad) >= 0) {
                findings.Error(baseLine, "destination",
                               "APPPATH_BASE " + Quote(base) + " holds \"" + CString(*bad, 1)
                                   + "\", which no folder name may: the destination cannot be created "
                                     "(write a path below the program-files folder, without a drive)");
                break;
            }
        }
    }
}

} // namespace

bool CheckScript(const std::string& bytes, const CScriptModel& model, CFindings& findings)
{
    if (!CheckBytes(bytes, findings))
        return false;
    CheckPieces(model, findings);
    CheckStrayLines(bytes, model, findings);
    CheckSections(model, findings);
    CheckKeys(model, findings);
    CheckValueForms(model, findings);
    CheckLists(model, findings);
    CheckProducts(model, findings);
    CheckRequired(model, findings);
    CheckDefaults(model, findings);
    return true;
}

} // namespace Chk
