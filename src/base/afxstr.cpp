#include "base/afxstr.h"

#include "base/DoubleByte.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

int CString::Compare(const char* psz) const
{
    return std::strcmp(m_str.c_str(), psz ? psz : "");
}

int CString::CompareNoCase(const char* psz) const
{
    // Character by character with single-byte letters folded, as the
    // framework's multi-byte comparison does; the locale's sort rules (which
    // lstrcmpi follows) would make different names compare equal.
    CString a(*this), b(psz);
    a.MakeLower();
    b.MakeLower();
    return std::strcmp(a, b);
}

CString CString::Left(int nCount) const
{
    if (nCount <= 0)
        return CString();
    return CString(m_str.substr(0, static_cast<size_t>(nCount)));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nFirst >= GetLength() || nCount <= 0)
        return CString();
    return CString(m_str.substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}

CString CString::Right(int nCount) const
{
    if (nCount <= 0)
        return CString();
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(nCount)));
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart > GetLength())
        return -1;
    size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > GetLength())
        return -1;
    size_t pos = m_str.find(pszSub, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

namespace {

// Changes the case of single-byte letters only; a lead byte carries its
// trail byte past the conversion, so "ソ" (0x83 0x5C) or a trail byte in the
// letter range is never touched.
void ChangeCase(std::string& s, bool toLower)
{
    for (size_t i = 0; i < s.size(); i += static_cast<size_t>(PathHelpers::CharLength(s.c_str() + i))) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (toLower && c >= 'A' && c <= 'Z')
            s[i] = static_cast<char>(c - 'A' + 'a');
        else if (!toLower && c >= 'a' && c <= 'z')
            s[i] = static_cast<char>(c - 'a' + 'A');
    }
}

} // namespace

CString& CString::MakeLower()
{
    ChangeCase(m_str, true);
    return *this;
}

CString& CString::MakeUpper()
{
    ChangeCase(m_str, false);
    return *this;
}

CString& CString::TrimRight()
{
    size_t end = m_str.find_last_not_of(" \t\r\n");
    m_str.erase(end == std::string::npos ? 0 : end + 1);
    return *this;
}

void CString::Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (n < 0) {
        m_str.clear();
    } else {
        std::string out(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(&out[0], out.size(), pszFormat, args);
        out.resize(static_cast<size_t>(n));
        m_str.swap(out);
    }
    va_end(args);
}

char* CString::GetBuffer(int nMinLength)
{
    if (nMinLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinLength));
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(std::strlen(m_str.c_str()));
    if (nNewLength < GetLength())
        m_str.resize(static_cast<size_t>(nNewLength));
}

void CStringArray::SetSize(int nNewSize, int nGrowBy)
{
    if (nGrowBy >= 0)
        m_nGrowBy = nGrowBy;
    m_items.resize(nNewSize > 0 ? static_cast<size_t>(nNewSize) : 0);
}

void CStringArray::SetAtGrow(int i, const CString& s)
{
    if (i < 0)
        return;
    if (i >= GetSize())
        m_items.resize(static_cast<size_t>(i) + 1);
    m_items[static_cast<size_t>(i)] = s;
}

int CStringArray::Add(const CString& s)
{
    m_items.push_back(s);
    return GetSize() - 1;
}
