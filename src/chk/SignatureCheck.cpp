#include "chk/SignatureCheck.h"

#include "base/ScopedHandles.h"
#include "script/ScriptKeys.h"

#include <windows.h>

#include <cstdint>

namespace Chk {

namespace {

// The installer of the package, beside its script.
constexpr char INSTALLER_NAME[] = "tarvel.exe";
// The security directory's place among the data directories.
constexpr std::uint32_t SECURITY_DIRECTORY = 4;

std::uint32_t U16(const std::string& b, size_t at)
{
    if (at + 2 > b.size() || at + 2 < at)
        return 0;
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t U32(const std::string& b, size_t at)
{
    if (at + 4 > b.size() || at + 4 < at)
        return 0;
    return U16(b, at) | (U16(b, at + 2) << 16);
}

// The headers are at the front; the signature itself is never read.
std::string ReadHead(const char* path, bool& found)
{
    std::string bytes;
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    found = file.IsValid();
    if (!found)
        return bytes;
    char buffer[4096];
    DWORD read = 0;
    if (ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr))
        bytes.assign(buffer, read);
    return bytes;
}

const char* Described(Signature signature)
{
    return signature == Signature::Signed ? "carries an Authenticode signature"
                                          : "carries no signature: SmartScreen warns about it when it was downloaded";
}

} // namespace

Signature ReadSignature(const std::string& bytes)
{
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z')
        return Signature::NotAProgram;
    const size_t pe = U32(bytes, 60);
    if (pe > bytes.size() || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return Signature::NotAProgram;
    const size_t optional = pe + 4 + 20;
    const std::uint32_t magic = U16(bytes, optional);
    if (magic != 0x10B && magic != 0x20B)
        return Signature::NotAProgram;
    const size_t directories = optional + (magic == 0x20B ? 112 : 96);
    if (U32(bytes, directories - 4) <= SECURITY_DIRECTORY)
        return Signature::Unsigned;
    const size_t security = directories + 8 * SECURITY_DIRECTORY;
    return U32(bytes, security) != 0 && U32(bytes, security + 4) != 0 ? Signature::Signed : Signature::Unsigned;
}

void CheckSignatures(const CScriptModel& model, CFindings& findings)
{
    const CString uninstaller = model.Value(SEC_UNINSTALL, KEY_UNINSTALL_FILE);
    bool installerFound = false, uninstallerFound = false;
    const Signature installer = ReadSignature(ReadHead(INSTALLER_NAME, installerFound));
    const Signature removal =
        uninstaller.IsEmpty() ? Signature::NotAProgram : ReadSignature(ReadHead(uninstaller, uninstallerFound));
    const int line = model.LineOf(SEC_UNINSTALL, KEY_UNINSTALL_FILE);
    if (installerFound && installer != Signature::NotAProgram)
        findings.Note(0, "signature", CString(INSTALLER_NAME) + " " + Described(installer));
    if (uninstallerFound && removal != Signature::NotAProgram)
        findings.Note(line, "signature", "the uninstaller " + Quote(uninstaller) + " " + Described(removal));
    if (installer == Signature::NotAProgram || removal == Signature::NotAProgram || installer == removal)
        return;
    const CString signedOne = installer == Signature::Signed ? CString(INSTALLER_NAME) : Quote(uninstaller);
    const CString unsignedOne = installer == Signature::Signed ? Quote(uninstaller) : CString(INSTALLER_NAME);
    findings.Warning(line, "signature-mismatch",
                     signedOne + " is signed but " + unsignedOne
                         + " is not: sign both (tools/sign.sh), or a user is warned about one of them");
}

} // namespace Chk
