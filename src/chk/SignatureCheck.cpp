#include "chk/SignatureCheck.h"

#include "chk/PackageFiles.h"
#include "script/ScriptKeys.h"

namespace Chk {

namespace {

// The installer of the package, beside its script.
constexpr char INSTALLER_NAME[] = "tarvel.exe";

// The headers are at the front; the signature itself is never read.
std::string ReadHead(const char* path, bool& found)
{
    std::string bytes;
    found = ReadFileBytes(path, bytes, 4096);
    return bytes;
}

const char* Described(Signature signature)
{
    return signature == Signature::Signed ? "carries an Authenticode signature"
                                          : "carries no signature: SmartScreen warns about it when it was downloaded";
}

} // namespace


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
