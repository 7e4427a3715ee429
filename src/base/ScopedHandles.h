// Small owners of system handles. Each closes its handle in its destructor,
// so every search and registry key is closed on every path out.
#pragma once

#include <windows.h>

// A FindFirstFileA search.
class ScopedFind
{
public:
    ScopedFind(const char* pattern, WIN32_FIND_DATAA& found) : m_handle(FindFirstFileA(pattern, &found)) {}
    ~ScopedFind() { Close(); }
    ScopedFind(const ScopedFind&) = delete;
    ScopedFind& operator=(const ScopedFind&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& found) { return FindNextFileA(m_handle, &found) != FALSE; }
    void Close()
    {
        if (IsOpen())
            FindClose(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

// An open registry key.
class ScopedRegKey
{
public:
    ScopedRegKey() = default;
    ~ScopedRegKey() { Close(); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    // For the calls that open or create the key.
    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }
    void Close()
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = nullptr;
    }

private:
    HKEY m_key = nullptr;
};

// A file or other kernel handle that CloseHandle closes.
class ScopedHandle
{
public:
    explicit ScopedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~ScopedHandle() { Close(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    void Close()
    {
        if (IsValid())
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};
