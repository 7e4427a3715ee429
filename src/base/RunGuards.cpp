#include "base/RunGuards.h"

#include "base/RunLog.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"

namespace RunGuards {
namespace {

// A 64 KB read at a time: scripts are small, the uninstall log may not be.
constexpr DWORD CHUNK = 64 * 1024;

bool IsElevated()
{
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return false;
    // Fails where the system knows no elevation; membership decides then.
    TOKEN_ELEVATION elevation = {};
    DWORD length = 0;
    return Sys().GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &length)
        && elevation.TokenIsElevated;
}

// An administrator of a system without elevation, or with UAC turned off,
// has an unfiltered token in which the group is enabled. A filtered token
// of UAC has it for deny only, and CheckTokenMembership says no.
bool IsAdministratorsMember()
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return false;
    BOOL member = FALSE;
    const BOOL known = Sys().CheckTokenMembership(nullptr, administrators, &member);
    FreeSid(administrators);
    return known && member;
}

} // namespace

bool HasAdminRights()
{
    return IsElevated() || IsAdministratorsMember();
}

bool HoldsNonAscii(const char* path)
{
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    std::vector<unsigned char> buffer(CHUNK);
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer.data(), CHUNK, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            if (buffer[i] > 0x7F)
                return true;
        }
    }
    return false;
}

const wchar_t* NoRightsText()
{
    return L"このプログラムの実行には管理者の権限が必要です。管理者として起動し直してください。\n\n"
           L"Administrator rights are needed. Start it again as an administrator.";
}

const wchar_t* CodePageText()
{
    return L"このパッケージの文字は日本語 (シフト JIS) で書かれているため、日本語のコード ページ 932 が必要です。"
           L"Windows 10 では、システム ロケールを日本語にし、「ベータ: ワールドワイド言語サポートで Unicode UTF-8 "
           L"を使用」をオフにしてください。\n\n"
           L"The package's texts are in Japanese (Shift-JIS) and need the Japanese code page 932. On Windows 10, "
           L"set the system locale to Japanese and turn off \"Beta: Use Unicode UTF-8 for worldwide language "
           L"support\".";
}

const wchar_t* Refusal(const std::vector<CString>& files)
{
    if (!HasAdminRights()) {
        RunLog::Line("refused", "no administrator rights: the process token is neither elevated nor an "
                                "administrator's; nothing changed");
        return NoRightsText();
    }
    const UINT codePage = Sys().GetACP();
    if (codePage == PACKAGE_CODE_PAGE)
        return nullptr;
    for (const CString& file : files) {
        if (!HoldsNonAscii(file))
            continue;
        CString why;
        why.Format("the process code page is %u, not %u, and %s holds Shift-JIS text; nothing changed", codePage,
                   PACKAGE_CODE_PAGE, static_cast<const char*>(file));
        RunLog::Line("refused", why);
        return CodePageText();
    }
    return nullptr;
}

} // namespace RunGuards
