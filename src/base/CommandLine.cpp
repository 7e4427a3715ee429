#include "base/CommandLine.h"

#include "base/RunLog.h"

namespace CommandLine {
namespace {

const char SWITCH_PSM[] = "/PSM";
const char SWITCH_WD[] = "/WD";
const char SWITCH_LOG[] = "/LOG";
const char SWITCH_SUPPRESS[] = "/SUPPRESSMSGBOXES";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// CString's comparison folds single-byte letters only: the locale's sort
// rules would let other texts pass for a switch.
bool IsSwitch(const CString& text, const char* name) { return text.CompareNoCase(name) == 0; }

// "/LOG" or "/LOG=..." (the path may be empty: the default log).
bool ReadLogSwitch(const CString& value, Switches& switches)
{
    const int length = static_cast<int>(sizeof(SWITCH_LOG) - 1);
    if (!IsSwitch(value.Left(length), SWITCH_LOG))
        return false;
    if (value.GetLength() == length) {
        switches.IsLog = true;
        switches.LogPath.Empty();
        return true;
    }
    if (value[length] != '=')
        return false;
    switches.IsLog = true;
    switches.LogPath = value.Mid(length + 1);
    return true;
}

RunMode ModeOf(const CString& rest)
{
    if (IsSwitch(rest, SWITCH_PSM))
        return RunMode::Silent;
    if (IsSwitch(rest, SWITCH_WD))
        return RunMode::HalfSilent;
    return RunMode::Interactive;
}

} // namespace

// Blanks and quotes are single bytes that no Shift-JIS trail byte can
// equal, so no double-byte step is needed here.
std::vector<Word> SplitWords(const char* text)
{
    std::vector<Word> words;
    const char* p = text;
    for (;;) {
        while (IsBlank(*p))
            ++p;
        if (!*p)
            break;
        const char* start = p;
        CString value;
        bool quoted = false;
        for (; *p && (quoted || !IsBlank(*p)); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                value += *p;
        }
        Word word;
        word.Raw = CString(start).Left(static_cast<int>(p - start));
        word.Value = value;
        words.push_back(word);
    }
    return words;
}

Switches Parse(const char* text)
{
    Switches switches;
    if (!text)
        text = "";

    CString rest;
    bool sawDeploymentSwitch = false;
    for (const Word& word : SplitWords(text)) {
        if (ReadLogSwitch(word.Value, switches)) {
            sawDeploymentSwitch = true;
        } else if (IsSwitch(word.Value, SWITCH_SUPPRESS)) {
            switches.IsSuppressMsgBoxes = true;
            sawDeploymentSwitch = true;
        } else {
            if (!rest.IsEmpty())
                rest += ' ';
            rest += word.Raw;
        }
    }
    // A command line an older deployment already uses keeps its meaning to
    // the byte, stray blanks included.
    switches.Mode = ModeOf(sawDeploymentSwitch ? rest : CString(text));
    return switches;
}

const char* ModeName(RunMode mode)
{
    switch (mode) {
    case RunMode::Silent:
        return "silent";
    case RunMode::HalfSilent:
        return "half-silent";
    default:
        return "interactive";
    }
}

void LogMode(const Switches& switches, RunMode mode)
{
    RunLog::Line("mode", ModeName(mode));
    if (switches.SuppressesBoxes())
        RunLog::Line("mode", "message boxes suppressed: each box's default answer is taken");
    else if (switches.IsSuppressMsgBoxes)
        RunLog::Line("mode", "/SUPPRESSMSGBOXES ignored: it takes effect with /PSM only");
}

} // namespace CommandLine
