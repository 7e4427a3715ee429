#include "chk/Findings.h"

#include <algorithm>
#include <climits>

namespace Chk {

void CFindings::Add(Severity level, int line, const char* id, const CString& text)
{
    Finding finding;
    finding.Level = level;
    finding.Line = line;
    finding.Id = id;
    finding.Text = text;
    m_findings.push_back(finding);
}

std::vector<Finding> CFindings::Sorted() const
{
    std::vector<Finding> sorted = m_findings;
    auto order = [](const Finding& f) { return f.Line > 0 ? f.Line : INT_MAX; };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const Finding& a, const Finding& b) { return order(a) < order(b); });
    return sorted;
}

int CFindings::Count(Severity level) const
{
    return static_cast<int>(
        std::count_if(m_findings.begin(), m_findings.end(), [&](const Finding& f) { return f.Level == level; }));
}

bool CFindings::Has(const char* id) const
{
    return std::any_of(m_findings.begin(), m_findings.end(), [&](const Finding& f) { return f.Id == id; });
}

CString FormatFinding(const char* file, const Finding& finding)
{
    static const char* const levels[] = {"note", "warning", "error"};
    CString out = file;
    if (finding.Line > 0) {
        CString line;
        line.Format(":%d", finding.Line);
        out += line;
    }
    out += ": ";
    out += levels[static_cast<int>(finding.Level)];
    out += ": ";
    out += finding.Text;
    out += " [" + finding.Id + "]";
    return out;
}

CString JoinNames(const std::vector<CString>& names, size_t most)
{
    CString out;
    for (size_t i = 0; i < names.size() && i < most; ++i)
        out += (i ? ", " : "") + names[i];
    if (names.size() > most)
        out += ", ...";
    return out;
}

CString Quote(const CString& text)
{
    CString out = "\"";
    for (int i = 0; i < text.GetLength(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            CString code;
            code.Format("\\x%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

} // namespace Chk
