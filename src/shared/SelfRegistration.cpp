// Self-registration of a shared library: load it, call its entry, unload.
#include "shared/SelfRegistration.h"

#include "base/ScopedHandles.h"

#include <ole2.h>

namespace {

// OLE for the thread, for as long as the object lives. "Already initialised"
// (S_FALSE) counts as success and still needs its matching uninitialise.
class OleScope
{
public:
    OleScope() : m_ok(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleScope()
    {
        if (m_ok)
            OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok;
};

// Puts the process error mode back when the call is over.
class ErrorModeScope
{
public:
    explicit ErrorModeScope(UINT mode) : m_previous(SetErrorMode(mode)) {}
    ~ErrorModeScope() { SetErrorMode(m_previous); }
    ErrorModeScope(const ErrorModeScope&) = delete;
    ErrorModeScope& operator=(const ErrorModeScope&) = delete;

private:
    UINT m_previous;
};

using RegistrationEntry = HRESULT(STDAPICALLTYPE*)();

} // namespace

namespace SelfRegistration {

BOOL Call(const char* path, BOOL registerIt, Loader load)
{
    const char* entryName = registerIt ? "DllRegisterServer" : "DllUnregisterServer";
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return 0;

    OleScope ole;
    if (!ole.Ok())
        return 0;
    // A library on a missing drive must fail quietly, not ask the user to
    // insert a disk in the middle of an unattended install.
    ErrorModeScope errorMode(SEM_FAILCRITICALERRORS);

    // The altered search path lets the library find its own dependencies in
    // the shared folder beside it.
    ScopedLibrary library((load ? load : ::LoadLibraryExA)(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library.Get())
        return 0;
    auto entry = reinterpret_cast<RegistrationEntry>(GetProcAddress(library.Get(), entryName));
    if (!entry)
        return 0;
    return SUCCEEDED(entry()) ? TRUE : FALSE;
}

} // namespace SelfRegistration
