// CFile, CStdioFile and their status and exception types: thin wrappers over
// CreateFileA / ReadFile / WriteFile and the attribute calls.
#pragma once

#include "base/afxstr.h"

// What CFile::GetStatus reports of a file or folder.
struct CFileStatus
{
    FILETIME m_ctime{};
    FILETIME m_atime{};
    FILETIME m_mtime{};
    ULONGLONG m_size = 0;
    BYTE m_attribute = 0; // the low byte of the Win32 attributes, as CFile::Attribute
};

// Thrown by CFile and CStdioFile when a read, write or close fails.
class CFileException : public CObject
{
public:
    enum { none = 0, generic = 1, fileNotFound = 2, badPath = 3, accessDenied = 5, diskFull = 14 };

    CFileException(int cause = generic, LONG osError = -1) : m_cause(cause), m_lOsError(osError) {}

    int m_cause;
    LONG m_lOsError;
};

class CFile : public CObject
{
public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyNone = 0x0040,
        modeNoTruncate = 0x0100,
        modeCreate = 0x1000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum Attribute {
        normal = 0x00, readOnly = 0x01, hidden = 0x02, system = 0x04,
        volume = 0x08, directory = 0x10, archive = 0x20,
    };

// Data members
    HANDLE m_hFile = INVALID_HANDLE_VALUE;

// Construction
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() override;

// Operations
    // FALSE with the system's error in *pError when the file cannot be opened.
    virtual BOOL Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Throw CFileException on failure.
    virtual UINT Read(void* pBuf, UINT nCount);
    virtual void Write(const void* pBuf, UINT nCount);
    virtual void Close();
    // Closes without throwing; used on error paths.
    void Abort();

    // The status of a file or folder by name (FindFirstFileA). FALSE when it
    // cannot be found; the system's last error then tells why.
    static BOOL GetStatus(const char* pszFileName, CFileStatus& rStatus);
    // Writes the attributes of the status back to the file (SetFileAttributesA);
    // throws CFileException on failure.
    static void SetStatus(const char* pszFileName, const CFileStatus& status);
};

// Text-mode reading: a carriage return followed by a line feed arrives as a
// single line feed, as the C runtime's text streams do.
class CStdioFile : public CFile
{
// Data members
    char m_buf[4096];
    DWORD m_nBuf = 0;
    DWORD m_nPos = 0;
    bool m_bEof = false;

    // Next raw byte, or -1 at the end of the file; throws on a read error.
    int NextByte();
    int PeekByte();

public:
    BOOL Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;

    // Reads at most nMax-1 bytes, stopping after a line feed (kept), and
    // terminates the buffer. Returns nullptr at the end of the file when
    // nothing was read. Throws CFileException when reading fails.
    char* ReadString(char* pszBuf, UINT nMax);
};
