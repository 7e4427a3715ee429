#include "FileVersionInfo.h"

#include "base/SystemLibraries.h"

#include <climits>
#include <vector>

namespace {

// VERSION.dll is no KnownDLL: imported, it would be taken from the program's
// folder before System32. Its three calls are looked up once, from System32.
struct VersionCalls
{
    DWORD(WINAPI* GetFileVersionInfoSizeA)(LPCSTR, LPDWORD) = nullptr;
    BOOL(WINAPI* GetFileVersionInfoA)(LPCSTR, DWORD, DWORD, LPVOID) = nullptr;
    BOOL(WINAPI* VerQueryValueA)(LPCVOID, LPCSTR, LPVOID*, PUINT) = nullptr;

    bool Found() const { return GetFileVersionInfoSizeA && GetFileVersionInfoA && VerQueryValueA; }
};

const VersionCalls& Version()
{
    static const VersionCalls calls = [] {
        VersionCalls found;
        if (HMODULE library = SystemLibraries::Load("version.dll")) {
            found.GetFileVersionInfoSizeA = reinterpret_cast<decltype(found.GetFileVersionInfoSizeA)>(
                GetProcAddress(library, "GetFileVersionInfoSizeA"));
            found.GetFileVersionInfoA = reinterpret_cast<decltype(found.GetFileVersionInfoA)>(
                GetProcAddress(library, "GetFileVersionInfoA"));
            found.VerQueryValueA =
                reinterpret_cast<decltype(found.VerQueryValueA)>(GetProcAddress(library, "VerQueryValueA"));
        }
        return found;
    }();
    return calls;
}

// The file's version resource; false when it has none or cannot be read.
// Without the system's reader every file reads as having no version.
bool ReadVersionResource(const char* path, std::vector<BYTE>& data)
{
    const VersionCalls& version = Version();
    if (!version.Found())
        return false;
    DWORD handle = 0;
    DWORD size = version.GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return false;
    data.assign(size, 0);
    return version.GetFileVersionInfoA(path, 0, size, data.data()) != FALSE;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The four numbers of a version text under sscanf's "%d,%d,%d,%d" rules.
// FALSE when the text ends before the first number (empty or blank): that
// is the one case sscanf answers EOF, and it makes a version unreadable.
// Hand-written rather than sscanf so that a number too large for an int
// is clamped instead of being undefined.
// 'fields' gets how many numbers were read and 'stop' where reading stopped.
bool ReadVersionNumbers(const char* text, int numbers[4], int* fields = nullptr, const char** stop = nullptr)
{
    numbers[0] = numbers[1] = numbers[2] = numbers[3] = 0;
    const char* p = text;
    int ignoredFields = 0;
    const char* ignoredStop = nullptr;
    int& read = fields ? *fields : ignoredFields;
    const char*& at = stop ? *stop : ignoredStop;
    read = 0;
    at = p;
    for (int field = 0; field < 4; ++field) {
        if (field > 0) {
            // The comma of the pattern must come at once: no blank before it.
            if (*p != ',')
                return true;
            ++p;
        }
        while (IsBlank(*p))
            ++p;
        if (*p == '\0')
            return field > 0;
        bool negative = false;
        if (*p == '+' || *p == '-') {
            negative = *p == '-';
            ++p;
        }
        if (*p < '0' || *p > '9')
            return true;
        long long value = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            if (value <= static_cast<long long>(INT_MAX) + 1)
                value = value * 10 + (*p - '0');
        }
        if (negative)
            value = -value;
        if (value > INT_MAX)
            value = INT_MAX;
        if (value < INT_MIN)
            value = INT_MIN;
        numbers[field] = static_cast<int>(value);
        read = field + 1;
        at = p;
    }
    return true;
}

} // namespace

CString CFileVersionInfo::GetFileVersion(CString path)
{
    CString result;
    const VersionCalls& version = Version();
    std::vector<BYTE> data;
    if (!ReadVersionResource(path, data))
        return result;

    WORD* table = nullptr;
    UINT tableBytes = 0;
    if (!version.VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&table),
                        &tableBytes)
        || !table)
        return result;

    // A later translation with a FileVersion wins over an earlier one.
    for (UINT pair = 0; pair < tableBytes / 4; ++pair) {
        CString query;
        query.Format("\\StringFileInfo\\%04x%04x\\FileVersion", table[pair * 2], table[pair * 2 + 1]);
        char* text = nullptr;
        UINT length = 0;
        if (version.VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&text), &length) && text && length) {
            // The length bounds the read even if the terminator were missing.
            UINT n = 0;
            while (n < length && text[n])
                ++n;
            result = CString(text, static_cast<int>(n));
        }
    }
    return result;
}

int CFileVersionInfo::CompareVersions(CString first, CString second)
{
    int a[4];
    int b[4];
    bool readA = ReadVersionNumbers(first, a);
    bool readB = ReadVersionNumbers(second, b);
    if (!readA || !readB)
        return -1;
    for (int i = 0; i < 4; ++i) {
        if (a[i] > b[i])
            return 1;
        if (a[i] < b[i])
            return 2;
    }
    return 0;
}

CString CFileVersionInfo::GetFixedFileVersion(CString path)
{
    CString result;
    std::vector<BYTE> data;
    if (!ReadVersionResource(path, data))
        return result;
    const VersionCalls& version = Version();
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!version.VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed
        || length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD)
        return result;
    result.Format("%u,%u,%u,%u", static_cast<unsigned>(HIWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned>(LOWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned>(HIWORD(fixed->dwFileVersionLS)),
                  static_cast<unsigned>(LOWORD(fixed->dwFileVersionLS)));
    return result;
}

CString CFileVersionInfo::VersionAsRead(CString text)
{
    CString result;
    int numbers[4];
    if (ReadVersionNumbers(text, numbers))
        result.Format("%d,%d,%d,%d", numbers[0], numbers[1], numbers[2], numbers[3]);
    return result;
}

BOOL CFileVersionInfo::IsReadWhole(CString text)
{
    int numbers[4];
    int fields = 0;
    const char* stop = nullptr;
    if (!ReadVersionNumbers(text, numbers, &fields, &stop) || fields < 4)
        return FALSE;
    while (IsBlank(*stop))
        ++stop;
    return *stop == '\0';
}
