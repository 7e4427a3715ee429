// The system's own words for a system error code.
#pragma once

#include "base/afxstr.h"

#include <windows.h>

// Owns the buffer that FormatMessageA allocates for a code's text.
class SystemText
{
public:
    explicit SystemText(DWORD code);
    ~SystemText();
    SystemText(const SystemText&) = delete;
    SystemText& operator=(const SystemText&) = delete;

    // The system's text, or null when it has none for the code.
    const char* Text() const { return (m_text && *m_text) ? m_text : nullptr; }

    // The text on one line, without the line end the system puts after it;
    // empty when the system has none.
    static CString OneLine(DWORD code);

private:
    char* m_text = nullptr;
};
