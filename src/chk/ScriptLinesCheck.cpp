// What the reader makes of each line: the parts it cuts (long lines, long
// names and values), the lines it drops when the table is full, and the lines
// or parts of lines it ignores.
#include "chk/ScriptCheckParts.h"

#include "chk/KnownKeys.h"

namespace Chk {

namespace {

using Kind = ScriptLine::Kind;

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

} // namespace

void CheckLines(const std::string& bytes, const CScriptModel& model, CFindings& findings)
{
    CheckPieces(model, findings);
    CheckStrayLines(bytes, model, findings);
}

} // namespace Chk
