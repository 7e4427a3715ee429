// The script's bytes: the code page it was saved in, characters that are no
// Shift-JIS, and its line ends, before any reading.
#include "chk/ScriptCheckParts.h"

#include <algorithm>
#include <set>

namespace Chk {

namespace {

int LineAt(const std::string& bytes, size_t position)
{
    int line = 1;
    for (size_t i = 0; i < position && i < bytes.size(); ++i)
        line += bytes[i] == '\n';
    return line;
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

} // namespace

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

    // The installer reads the script in the process code page, and refuses
    // to run where that is not 932 and the script needs it.
    const size_t firstHigh = std::find_if(bytes.begin(), bytes.end(), [](char c) {
                                 return static_cast<unsigned char>(c) > 0x7F;
                             }) - bytes.begin();
    if (firstHigh < bytes.size()) {
        findings.Note(LineAt(bytes, firstHigh), "needs-code-page-932",
                      "the script holds Shift-JIS text: the package installs only where the process code page "
                      "is 932 (a Japanese system locale, without the UTF-8 option); elsewhere the installer "
                      "refuses to run");
    }

    std::set<int> reported;
    bool lfSeen = false, crAlone = false, zero = false;
    int line = 1, crAloneLine = 1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n') {
            lfSeen = true;
            ++line;
        }
        if (c == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n') && !crAlone) {
            crAlone = true;
            crAloneLine = line;
        }
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
        findings.Error(crAloneLine, "cr-line-ends",
                       "lines end in a carriage return alone: the installer takes such lines for one, and loses "
                       "every key after the first; save the script with CR LF line ends");
    }
    return lfSeen || !crAlone;
}

} // namespace Chk
