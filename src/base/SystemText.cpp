#include "base/SystemText.h"

SystemText::SystemText(DWORD code)
{
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    if (!FormatMessageA(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                        reinterpret_cast<LPSTR>(&m_text), 0, nullptr)) {
        m_text = nullptr;
    }
}

SystemText::~SystemText()
{
    if (m_text)
        LocalFree(m_text);
}

CString SystemText::OneLine(DWORD code)
{
    SystemText system(code);
    if (!system.Text())
        return CString();
    // Some texts run over several lines; CR and LF are single bytes that no
    // Shift-JIS trail byte equals.
    CString line;
    for (const char* p = system.Text(); *p; ++p)
        line += (*p == '\r' || *p == '\n') ? ' ' : *p;
    line.TrimRight();
    return line;
}
