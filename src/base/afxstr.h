// CString and CStringArray: the framework's multi-byte string and string list.
//
// Texts are char in the system's ANSI code page, which may be double-byte
// (code page 932). Only the operations marked "DBCS-aware" step over
// double-byte characters; everything else works on bytes, as the framework's
// own string class does.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

class CObject
{
public:
    virtual ~CObject() = default;
};

class CString
{
// Data members
    std::string m_str;

public:
// Construction
    CString() = default;
    CString(const char* psz) : m_str(psz ? psz : "") {}
    CString(const char* pch, int nLength) : m_str(pch, nLength > 0 ? nLength : 0) {}
    CString(char ch, int nRepeat = 1) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}
    CString(const std::string& s) : m_str(s) {}

// Attributes
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    char GetAt(int i) const { return m_str[static_cast<size_t>(i)]; }
    char operator[](int i) const { return GetAt(i); }
    operator const char*() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

// Operations
    void Empty() { m_str.clear(); }
    void SetAt(int i, char ch) { m_str[static_cast<size_t>(i)] = ch; }

    CString& operator=(const char* psz) { m_str = psz ? psz : ""; return *this; }
    CString& operator+=(const CString& s) { m_str += s.m_str; return *this; }
    CString& operator+=(const char* psz) { if (psz) m_str += psz; return *this; }
    CString& operator+=(char ch) { m_str += ch; return *this; }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.m_str + (b ? b : "")); }
    friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_str); }
    friend CString operator+(const CString& a, char b) { return CString(a.m_str + b); }

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.m_str == (b ? b : ""); }
    friend bool operator==(const char* a, const CString& b) { return b == a; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) { return !(b == a); }

    // Byte-wise comparison, as strcmp.
    int Compare(const char* psz) const;
    // Comparison without regard to case of single-byte letters; double-byte
    // characters compare byte for byte.
    int CompareNoCase(const char* psz) const;

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;

    // Byte offset of the first occurrence, or -1. Byte-wise, like strchr/strstr.
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;

    // DBCS-aware: double-byte characters are left unchanged (as _mbslwr does).
    CString& MakeLower();
    CString& MakeUpper();

    CString& TrimRight();

    // printf-style formatting into this string.
    void Format(const char* pszFormat, ...);

    // Raw buffer access for Win32 calls that fill a char buffer: the buffer
    // holds at least nMinLength bytes plus the terminator.
    char* GetBuffer(int nMinLength);
    // Ends the raw access; -1 takes the length up to the first zero byte.
    void ReleaseBuffer(int nNewLength = -1);
};

// The framework's growing list of strings. SetSize pre-sizes it with empty
// strings; SetAtGrow writes anywhere, growing the list when needed.
class CStringArray : public CObject
{
// Data members
    std::vector<CString> m_items;
    int m_nGrowBy = -1;

public:
// Attributes
    int GetSize() const { return static_cast<int>(m_items.size()); }
    const CString& GetAt(int i) const { return m_items[static_cast<size_t>(i)]; }
    CString& ElementAt(int i) { return m_items[static_cast<size_t>(i)]; }
    const CString& operator[](int i) const { return GetAt(i); }
    CString& operator[](int i) { return ElementAt(i); }

// Operations
    void SetSize(int nNewSize, int nGrowBy = -1);
    void SetAt(int i, const CString& s) { m_items[static_cast<size_t>(i)] = s; }
    void SetAtGrow(int i, const CString& s);
    int Add(const CString& s);
    void RemoveAll() { m_items.clear(); }
};
