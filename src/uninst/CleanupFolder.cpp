#include "uninst/CleanupFolder.h"

#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"

#include <ntsecapi.h>
#include <sddl.h>

#include <cstring>
#include <vector>

namespace {

constexpr int RANDOM_BYTES = 8;
// Another name is tried only when the last one was taken. With 64 random
// bits that happens by chance never: someone is making folders ahead of us,
// and a few tries are enough to show it.
constexpr int NAME_ATTEMPTS = 8;

// Frees what the security calls hand back with LocalAlloc.
class ScopedLocal
{
public:
    explicit ScopedLocal(void* memory) : m_memory(memory) {}
    ~ScopedLocal() { LocalFree(m_memory); }
    ScopedLocal(const ScopedLocal&) = delete;
    ScopedLocal& operator=(const ScopedLocal&) = delete;

private:
    void* m_memory;
};

// The temporary folder, with a trailing backslash; empty when there is none.
CString TempRoot()
{
    char folder[MAX_PATH + 1] = {};
    const DWORD length = Sys().GetTempPath2A ? Sys().GetTempPath2A(sizeof(folder), folder)
                                             : GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder))
        return CString();
    return PathHelpers::WithTrailingBackslash(folder);
}

// A folder name from the system's random generator; empty when it fails.
CString RandomName()
{
    unsigned char bytes[RANDOM_BYTES] = {};
    if (!RtlGenRandom(bytes, sizeof(bytes)))
        return CString();
    CString name = CleanupFolder::NAME_PREFIX;
    for (unsigned char byte : bytes) {
        CString digits;
        digits.Format("%02x", byte);
        name += digits;
    }
    return name;
}

// Full access for SYSTEM, the Administrators and the user of this process,
// passed on to what the folder holds. "P" keeps out whatever the temporary
// folder would pass on (C:\Windows\Temp lets every user in).
CString AccessRules()
{
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return CString();
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return CString();
    std::vector<BYTE> user(size);
    if (!GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size))
        return CString();
    char* sid = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid))
        return CString();
    ScopedLocal sidText(sid);
    return CString("D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;") + sid + ")";
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

} // namespace

namespace CleanupFolder {

CString Create()
{
    const CString root = TempRoot();
    const CString rules = AccessRules();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (root.IsEmpty() || rules.IsEmpty()
        || !ConvertStringSecurityDescriptorToSecurityDescriptorA(rules, SDDL_REVISION_1, &descriptor, nullptr))
        return CString();
    ScopedLocal descriptorMemory(descriptor);
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor, FALSE};

    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        const CString name = RandomName();
        if (name.IsEmpty())
            break;
        // CreateDirectory makes the folder or fails on anything of that name:
        // what is there already is neither used nor touched.
        if (Sys().CreateDirectoryA(root + name, &security))
            return root + name;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return CString();
}

bool IsCleanupFolder(const CString& folder)
{
    const int start = PathHelpers::LastComponentStart(PathHelpers::WithoutTrailingBackslash(folder));
    if (start < 0)
        return false;
    const CString name = PathHelpers::WithoutTrailingBackslash(folder).Mid(start);
    const int prefix = static_cast<int>(std::strlen(NAME_PREFIX));
    if (name.GetLength() != prefix + 2 * RANDOM_BYTES || name.Left(prefix) != NAME_PREFIX)
        return false;
    for (int i = prefix; i < name.GetLength(); ++i)
        if (!IsHexDigit(name[i]))
            return false;
    return true;
}

} // namespace CleanupFolder
