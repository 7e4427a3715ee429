#include "shared/SelfRegistration.h"

#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"
#include "install/TarvelDoc.h"

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

int CTarvelDoc::CallRegistrationEntry(const CString& path, BOOL registerIt)
{
    // The install's own loads go through the seam table; the undo's do not,
    // so that a swapped loader never keeps the undo from the library.
    return SelfRegistration::Call(path, registerIt, Sys().LoadLibraryExA) ? 1 : 0;
}

int CTarvelDoc::RegisterSharedLibraries()
{
    for (int i = 0; i < RegistrationList.GetSize(); ++i) {
        const CString& path = RegistrationList[i];
        // Only a library this run copied is unregistered by the undo, also
        // after a half-done registration; an installed one it kept stays
        // registered for the products that use it.
        for (const Change& change : Record().Changes())
            if (change.Where == Change::Area::Shared && change.Type == Change::Kind::FileWritten
                && change.Path.CompareNoCase(path) == 0) {
                Record().LibraryRegistered(path);
                break;
            }
        if (!CallRegistrationEntry(path, TRUE))
            return Fail(ERROR_CODE_GENERAL, "register library", path);
    }
    return 1;
}
