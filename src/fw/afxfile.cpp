#include "afxfile.h"

#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"

#include <cstring>

CFile::~CFile()
{
    Abort();
}

BOOL CFile::Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    Abort();

    DWORD access = GENERIC_READ;
    if ((nOpenFlags & 3) == modeWrite)
        access = GENERIC_WRITE;
    else if ((nOpenFlags & 3) == modeReadWrite)
        access = GENERIC_READ | GENERIC_WRITE;

    DWORD share = (nOpenFlags & shareDenyNone) ? (FILE_SHARE_READ | FILE_SHARE_WRITE) : FILE_SHARE_READ;

    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    m_hFile = CreateFileA(pszFileName, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) {
        if (pError)
            *pError = CFileException(CFileException::generic, static_cast<LONG>(GetLastError()));
        return FALSE;
    }
    return TRUE;
}

UINT CFile::Read(void* pBuf, UINT nCount)
{
    DWORD read = 0;
    if (!Sys().ReadFile(m_hFile, pBuf, nCount, &read, nullptr))
        throw CFileException(CFileException::generic, static_cast<LONG>(GetLastError()));
    return read;
}

void CFile::Write(const void* pBuf, UINT nCount)
{
    DWORD written = 0;
    if (!WriteFile(m_hFile, pBuf, nCount, &written, nullptr))
        throw CFileException(CFileException::generic, static_cast<LONG>(GetLastError()));
    if (written != nCount)
        throw CFileException(CFileException::diskFull, ERROR_DISK_FULL);
}

void CFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return;
    HANDLE h = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (!CloseHandle(h))
        throw CFileException(CFileException::generic, static_cast<LONG>(GetLastError()));
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

BOOL CFile::GetStatus(const char* pszFileName, CFileStatus& rStatus)
{
    WIN32_FIND_DATAA fd;
    if (!ScopedFind(pszFileName, fd).IsOpen())
        return FALSE;

    rStatus.m_attribute = static_cast<BYTE>(fd.dwFileAttributes & 0xFF);
    rStatus.m_size = (static_cast<ULONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    rStatus.m_ctime = fd.ftCreationTime;
    rStatus.m_atime = fd.ftLastAccessTime;
    rStatus.m_mtime = fd.ftLastWriteTime;
    return TRUE;
}

void CFile::SetStatus(const char* pszFileName, const CFileStatus& status)
{
    // Keep the attributes above the low byte (compressed, encrypted, …), which
    // the status does not carry.
    DWORD current = GetFileAttributesA(pszFileName);
    if (current == INVALID_FILE_ATTRIBUTES)
        throw CFileException(CFileException::generic, static_cast<LONG>(GetLastError()));
    DWORD wanted = (current & ~0xFFu) | status.m_attribute;
    wanted &= ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | 0x08 /* volume */);
    if (wanted == 0)
        wanted = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileAttributesA(pszFileName, wanted))
        throw CFileException(CFileException::generic, static_cast<LONG>(GetLastError()));
}

BOOL CStdioFile::Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    m_nBuf = m_nPos = 0;
    m_bEof = false;
    return CFile::Open(pszFileName, nOpenFlags & ~static_cast<UINT>(typeText | typeBinary), pError);
}

int CStdioFile::NextByte()
{
    int c = PeekByte();
    if (c >= 0)
        ++m_nPos;
    return c;
}

int CStdioFile::PeekByte()
{
    if (m_nPos == m_nBuf) {
        if (m_bEof)
            return -1;
        DWORD read = 0;
        if (!Sys().ReadFile(m_hFile, m_buf, sizeof(m_buf), &read, nullptr))
            throw CFileException(CFileException::generic, static_cast<LONG>(GetLastError()));
        m_nBuf = read;
        m_nPos = 0;
        if (read == 0) {
            m_bEof = true;
            return -1;
        }
    }
    return static_cast<unsigned char>(m_buf[m_nPos]);
}

char* CStdioFile::ReadString(char* pszBuf, UINT nMax)
{
    if (!pszBuf || nMax == 0)
        return nullptr;
    UINT n = 0;
    while (n + 1 < nMax) {
        int c = NextByte();
        if (c < 0)
            break;
        if (c == '\r' && PeekByte() == '\n')
            c = NextByte();
        pszBuf[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    pszBuf[n] = '\0';
    return n == 0 ? nullptr : pszBuf;
}
