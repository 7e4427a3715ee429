// Small owners of system handles. Each closes its handle in its destructor,
// so every search, registry key, file, process handle and library is closed
// on every path out.
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
    // For the calls that hand a new handle back through a pointer.
    HANDLE* Receive()
    {
        Close();
        return &m_handle;
    }
    // Closes the handle held and takes 'handle' in its place.
    void Reset(HANDLE handle)
    {
        Close();
        m_handle = handle;
    }
    // Gives the handle to the caller, who closes it from now on.
    HANDLE Release()
    {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Close()
    {
        if (IsValid())
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

// A loaded library, freed on every path.
class ScopedLibrary
{
public:
    explicit ScopedLibrary(HMODULE module)
        // Windows 3.x-style error values below 32 are failures too.
        : m_module(reinterpret_cast<UINT_PTR>(module) < 32 ? nullptr : module)
    {
    }
    ~ScopedLibrary()
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    ScopedLibrary(const ScopedLibrary&) = delete;
    ScopedLibrary& operator=(const ScopedLibrary&) = delete;

    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

// The process and thread handles that CreateProcessA hands back.
class ScopedProcess
{
public:
    ScopedProcess() = default;
    ~ScopedProcess() { Close(); }
    ScopedProcess(const ScopedProcess&) = delete;
    ScopedProcess& operator=(const ScopedProcess&) = delete;

    PROCESS_INFORMATION* Receive()
    {
        Close();
        return &m_info;
    }
    void Close()
    {
        if (m_info.hThread)
            CloseHandle(m_info.hThread);
        if (m_info.hProcess)
            CloseHandle(m_info.hProcess);
        m_info = PROCESS_INFORMATION();
    }

private:
    PROCESS_INFORMATION m_info = {};
};
