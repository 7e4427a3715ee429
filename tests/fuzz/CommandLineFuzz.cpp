// Fuzz target for the command lines of the installer and the uninstaller:
// the switches (CommandLine::Parse) and the words (SplitWords, which the
// uninstaller's clean-up copy reads its arguments with). Each input is
// checked for:
//   - words that are the text's own bytes: no blank outside quotes, the
//     value the word without its quotes, nothing lost but blanks;
//   - "/LOG" taken exactly when a word is "/LOG" or "/LOG=<path>", with the
//     last such word's path;
//   - a silent run only when "/PSM" is written, boxes suppressed only in one.
#include "base/CommandLine.h"
#include "uninst/SelfRemoval.h"
#include "FuzzDriver.h"

#include <cstring>

// The log is no part of the parsing; the fuzz build has none.
namespace RunLog {
void Line(const char*, const CString&) {}
} // namespace RunLog

namespace {

std::string WithoutBlanks(const std::string& text)
{
    std::string kept;
    for (char c : text)
        if (c != ' ' && c != '\t')
            kept += c;
    return kept;
}

bool ContainsNoCase(const std::string& text, const char* word)
{
    CString lowered(text.c_str());
    lowered.MakeLower();
    CString lowWord(word);
    lowWord.MakeLower();
    return lowered.Find(lowWord) >= 0;
}

void CheckWords(const std::string& text, const std::string& input)
{
    std::string joined;
    for (const CommandLine::Word& word : CommandLine::SplitWords(text.c_str())) {
        const std::string raw = static_cast<const char*>(word.Raw);
        FUZZ_EXPECT(!raw.empty());
        bool quoted = false;
        std::string value;
        for (char c : raw) {
            FUZZ_EXPECT(quoted || (c != ' ' && c != '\t'));
            if (c == '"')
                quoted = !quoted;
            else
                value += c;
        }
        FUZZ_EXPECT(value == static_cast<const char*>(word.Value));
        joined += raw;
    }
    FUZZ_EXPECT(WithoutBlanks(joined) == WithoutBlanks(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The system hands the programs a zero-terminated text.
    const std::string text = input.c_str();
    CheckWords(text, input);

    const CommandLine::Switches switches = CommandLine::Parse(text.c_str());
    bool log = false;
    CString logPath;
    for (const CommandLine::Word& word : CommandLine::SplitWords(text.c_str())) {
        const CString name = word.Value.Left(4);
        if (name.CompareNoCase("/LOG") == 0 && (word.Value.GetLength() == 4 || word.Value[4] == '=')) {
            log = true;
            logPath = word.Value.Mid(5);
        }
    }
    FUZZ_EXPECT(switches.IsLog == log && switches.LogPath == logPath);
    FUZZ_EXPECT(switches.Mode != CommandLine::RunMode::Silent || ContainsNoCase(text, "/PSM"));
    FUZZ_EXPECT(switches.Mode != CommandLine::RunMode::HalfSilent || ContainsNoCase(text, "/WD"));
    FUZZ_EXPECT(!switches.SuppressesBoxes() || switches.Mode == CommandLine::RunMode::Silent);
    FUZZ_EXPECT(!switches.IsSuppressMsgBoxes || ContainsNoCase(text, "/SUPPRESSMSGBOXES"));

    // The uninstaller's clean-up copy: its switch, then its words.
    const char* after = std::strstr(text.c_str(), SelfRemoval::CLEANUP_SWITCH);
    if (after)
        CheckWords(after + std::strlen(SelfRemoval::CLEANUP_SWITCH), input);
    return 0;
}

namespace {

const char* const COMMAND_LINE_TOKENS[] = {
    " ", "\t", "\"", "/PSM", "/psm", "/WD", "/LOG", "/log=", "/LOG=\"C:\\my logs\\a.log\"", "/SUPPRESSMSGBOXES",
    "/TARVEL-CLEANUP 123 \"C:\\t\\log.txt\" \"C:\\p\\uninst.exe\" ", "=", "\\", "\x81", "\x81\x22", "\xFF",
};

} // namespace

// The longest command line the system passes on.
const FuzzTarget FUZZ_TARGET = {"command-line", COMMAND_LINE_TOKENS,
                                sizeof COMMAND_LINE_TOKENS / sizeof COMMAND_LINE_TOKENS[0], 32767};
