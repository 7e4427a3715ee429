// Fuzz target for everything that reads a setup script: the installer's
// table and path helpers, and the checker's reading of the script and of the
// package's binary files. Built natively with the address and undefined-
// behaviour sanitizers. Each input is checked for:
//   - the table's bounds: at most 200 entries, names of at most 99 bytes,
//     values of at most 511, no value ending in half a character;
//   - first-match lookup: every entry's (section, key) finds the first such entry;
//   - the same table whatever size the reads return;
//   - exactly one message on a read error, with the entries read before it kept;
//   - path helpers that keep their promises on every value;
//   - the checker reading the same table and never failing.
//
// With clang's libFuzzer (-fsanitize=fuzzer) this file is the whole target.
// Built with g++, FuzzDriver.cpp runs the committed corpus and a fixed number
// of deterministic mutations of it: see docs/fuzzing.md.
#include "base/PathHelpers.h"
#include "chk/FileFormats.h"
#include "chk/ScriptCheck.h"
#include "chk/ScriptModel.h"
#include "script/ScriptPieces.h"
#include "script/ScriptProducts.h"
#include "script/ScriptValueRules.h"
#include "script/ScriptTable.h"
#include "FuzzDriver.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, const std::string& input)
{
    std::fprintf(stderr, "invariant broken: %s (input of %zu bytes)\n", what, input.size());
    std::abort();
}

#define EXPECT(condition)                                                                                    \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            Fail(#condition, input);                                                                         \
    } while (0)

// Hands out the bytes in reads of changing size, and fails at 'failAt'.
class ChoppedInput : public ScriptInput
{
public:
    ChoppedInput(const std::string& bytes, std::uint32_t seed, size_t failAt = SIZE_MAX)
        : m_bytes(bytes), m_seed(seed), m_failAt(failAt)
    {
    }
    int Read(char* buffer, int size) override
    {
        if (m_pos >= m_failAt)
            return -1;
        m_seed = m_seed * 1103515245u + 12345u;
        size_t chunk = m_seed == 0 ? static_cast<size_t>(size) : 1 + (m_seed >> 8) % static_cast<size_t>(size);
        chunk = std::min({chunk, m_bytes.size() - m_pos, m_failAt - m_pos});
        std::memcpy(buffer, m_bytes.data() + m_pos, chunk);
        m_pos += chunk;
        return static_cast<int>(chunk);
    }

private:
    const std::string& m_bytes;
    std::uint32_t m_seed;
    size_t m_failAt;
    size_t m_pos = 0;
};

struct Table
{
    ScriptEntry Entries[SCRIPT_MAX_ENTRIES];
    int Count = 0;
    int Messages = 0;

    int Read(ScriptInput& input)
    {
        CScriptTable table(Entries, Count);
        table.Clear();
        return table.Read(input, [this](const char* first, const char*) {
            ++Messages;
            if (std::strcmp(first, "File read error.") != 0)
                std::abort();
        });
    }
};

bool SameEntry(const ScriptEntry& a, const ScriptEntry& b)
{
    return a.Section == b.Section && a.Key == b.Key && a.Value == b.Value;
}

bool EndsInHalfACharacter(const CString& text)
{
    int i = 0, last = 0;
    while (text[i]) {
        last = i;
        i += PathHelpers::CharLength(static_cast<const char*>(text) + i);
    }
    return i > 0 && PathHelpers::CharLength(static_cast<const char*>(text) + last) == 1
        && IsDBCSLeadByte(static_cast<BYTE>(text[last]));
}

void CheckTable(const Table& t, const std::string& input)
{
    EXPECT(t.Count >= 0 && t.Count <= SCRIPT_MAX_ENTRIES);
    for (int i = 0; i < t.Count; ++i) {
        const ScriptEntry& e = t.Entries[i];
        EXPECT(e.Key.GetLength() <= SCRIPT_MAX_NAME && e.Section.GetLength() <= SCRIPT_MAX_NAME);
        EXPECT(e.Value.GetLength() <= SCRIPT_MAX_VALUE);
        EXPECT(!EndsInHalfACharacter(e.Value));
        // Only a header that no key followed leaves an entry without a key.
        EXPECT(!e.Key.IsEmpty() || (e.Value.IsEmpty() && !e.Section.IsEmpty()));
        const int first = FindScriptEntry(t.Entries, t.Count, e.Section, e.Key);
        EXPECT(first >= 0 && first <= i);
        EXPECT(t.Entries[first].Section == e.Section && t.Entries[first].Key == e.Key);
        for (int j = 0; j < first; ++j)
            EXPECT(!(t.Entries[j].Section == e.Section && t.Entries[j].Key == e.Key));
    }
}

// The file system's own reading of a relative path, told apart from the
// rules: a separator first or a colon anywhere leaves the folder, a level of
// dots and blanks alone (trailing ones are dropped) goes up once at least.
// True when the walk never rises above the folder it starts in.
bool NeverLeadsUp(const char* path)
{
    if (path[0] == '\\' || path[0] == '/')
        return false;
    int depth = 0;
    const char* level = path;
    for (const char* p = path;; p += PathHelpers::CharLength(p)) {
        const bool end = *p == '\0';
        if (!end && *p == ':')
            return false;
        if (end || *p == '\\' || *p == '/') {
            bool dotsOnly = true;
            for (const char* q = level; q < p; ++q)
                dotsOnly = dotsOnly && (*q == '.' || *q == ' ');
            if (dotsOnly && p > level && std::string(level, p).find("..") != std::string::npos)
                --depth;
            else if (!dotsOnly)
                ++depth;
            if (depth < 0)
                return false;
            if (end)
                return true;
            level = p + 1;
        }
    }
}

void CheckPaths(const CString& value, const std::string& input)
{
    const int length = value.GetLength();
    const int start = PathHelpers::LastComponentStart(value);
    EXPECT(start >= -1 && start <= length);
    EXPECT(PathHelpers::EndsWithBackslash(PathHelpers::WithTrailingBackslash(value)));
    const int last = PathHelpers::LastBackslash(value);
    EXPECT(last < length && (last < 0 || value[last] == '\\'));
    EXPECT(PathHelpers::FindNthBackslash(value, 0, 1) <= last);
    const CString lands = PathHelpers::NamedFileDestination(value);
    EXPECT(lands == value || (lands.GetLength() < length && value.Right(lands.GetLength()) == lands));
    EXPECT(PathHelpers::NamedFileDestination(lands) == lands);

    // Whatever the value rules let through stays below the folder it is
    // joined to, and a name or key level is one level.
    using ScriptValueRules::Form;
    if (length == 0)
        return;
    // A base of backslashes alone names the folder itself.
    for (Form form : {Form::Base, Form::Folder, Form::File}) {
        if (ScriptValueRules::Refusal(form, value).IsEmpty())
            EXPECT(NeverLeadsUp(form == Form::Base && value[0] == '\\' ? value.Mid(1) : value));
    }
    // A key may be called as a device is ("Aux"): only the file system reads those as devices.
    if (ScriptValueRules::Refusal(Form::Name, value).IsEmpty())
        EXPECT(PathHelpers::LastComponentStart(value) == 0 && PathHelpers::StaysInside(value));
    if (ScriptValueRules::Refusal(Form::KeyLevel, value).IsEmpty())
        EXPECT(PathHelpers::LastComponentStart(value) == 0 && PathHelpers::StaysInsideKey(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::uint32_t seed = 2166136261u;
    for (unsigned char c : input)
        seed = (seed ^ c) * 16777619u;

    static Table whole, chopped, single, failed;
    ChoppedInput all(input, 0);
    EXPECT(whole.Read(all) && whole.Messages == 0);
    CheckTable(whole, input);

    // The same table however the reads fall.
    ChoppedInput pieces(input, seed | 1);
    EXPECT(chopped.Read(pieces));
    ChoppedInput bytes(input, 1);
    EXPECT(single.Read(bytes));
    for (const Table* other : {&chopped, &single}) {
        EXPECT(other->Count == whole.Count);
        for (int i = 0; i < whole.Count; ++i)
            EXPECT(SameEntry(other->Entries[i], whole.Entries[i]));
    }

    // A read error: one message, and what came before it stays.
    failed.Messages = 0;
    ChoppedInput broken(input, seed, input.empty() ? 0 : seed % input.size());
    EXPECT(!failed.Read(broken));
    EXPECT(failed.Messages == 1);
    EXPECT(failed.Count <= whole.Count);
    for (int i = 0; i < failed.Count; ++i)
        EXPECT(SameEntry(failed.Entries[i], whole.Entries[i]));

    for (int i = 0; i < whole.Count; ++i)
        CheckPaths(whole.Entries[i].Value, input);
    std::vector<int> products = ScriptProducts::Indexes(whole.Entries, whole.Count, 0x7FFFFFFF);
    EXPECT(products.size() <= static_cast<size_t>(whole.Count));
    EXPECT(std::is_sorted(products.begin(), products.end()));

    // The checker reads the same table and reports on any input.
    static Chk::CScriptModel model;
    model.Read(input);
    EXPECT(model.Count == whole.Count && !model.ReadFailed);
    for (int i = 0; i < whole.Count; ++i)
        EXPECT(SameEntry(model.Entries[i], whole.Entries[i]));
    Chk::CFindings findings;
    Chk::CheckScript(input, model, findings);
    for (const Chk::Finding& finding : findings.Sorted())
        EXPECT(!finding.Id.IsEmpty() && finding.Line >= 0);

    // The package's binary files are read by the same checker.
    Chk::ReadBitmapInfo(input);
    Chk::ReadIconImages(input);
    Chk::ReadLibraryInfo(input);
    return 0;
}

// Bytes that mean something to the reader, alone or in pairs.
const char* const SCRIPT_TOKENS[] = {
    "[", "]", "=", ";", " ", "\t", "\\n", "\\", "\r\n", "\r", "\n", "\x81", "\x81\x5B", "\x81\x5D",
    "\x95\x5C", "\x83\x5C", "\xEF\xBB\xBF", "\xE3\x81\x82", "[INSTALL]\r\n", "[ERROR]\r\n",
    "DATA_PATH2=", "PRODUCT_NUM=2147483647\r\n", "PRODUCT_NAME2147483647=x\r\n", "..\\", "\xFF",
};

const FuzzTarget FUZZ_TARGET = {"script", SCRIPT_TOKENS, sizeof SCRIPT_TOKENS / sizeof SCRIPT_TOKENS[0], 1u << 16};
