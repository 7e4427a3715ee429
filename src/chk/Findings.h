// What the checker found, in the form compilers report: the script's line
// where one applies, a severity, the text and the finding's name.
#pragma once

#include "base/afxstr.h"

#include <vector>

namespace Chk {

enum class Severity { Note, Warning, Error };

struct Finding
{
    Severity Level = Severity::Note;
    int Line = 0; // 1-based line of the script; 0 when no line applies
    CString Id;   // the finding's name, e.g. "unknown-key"
    CString Text; // in the script's code page
};

class CFindings
{
public:
    void Add(Severity level, int line, const char* id, const CString& text);
    void Error(int line, const char* id, const CString& text) { Add(Severity::Error, line, id, text); }
    void Warning(int line, const char* id, const CString& text) { Add(Severity::Warning, line, id, text); }
    void Note(int line, const char* id, const CString& text) { Add(Severity::Note, line, id, text); }

    // In script order; findings without a line after the others.
    std::vector<Finding> Sorted() const;
    int Count(Severity level) const;
    bool Has(const char* id) const;

private:
    std::vector<Finding> m_findings;
};

// "tarvel.eif:12: error: text [id]", or "tarvel.eif: error: ..." without a line.
CString FormatFinding(const char* file, const Finding& finding);

// "A, B, C, ..." of at most 'most' names.
CString JoinNames(const std::vector<CString>& names, size_t most = 6);

// A text in double quotes, with line feeds and control bytes shown as
// escapes, for quoting script values in a finding.
CString Quote(const CString& text);

} // namespace Chk
