// What an uninstall must give back exactly: every file and folder of the C:
// drive (name, attributes, size) outside the temporary folders, and every key
// and value under HKLM\Software (both views) and HKCU\Software.
#pragma once

#include <set>
#include <string>

namespace e2e {

struct MachineState {
    std::set<std::string> files;    // "path|attributes|size", UTF-8
    // "HKLM\Software\key" and "HKLM\Software\key|value", the value as the
    // registry's text export writes it ("name"=type:data); what a 32-bit
    // program writes to HKLM\Software\X is HKLM\Software\Wow6432Node\X here.
    std::set<std::string> registry;
};

MachineState CaptureMachineState();

// One line per item that is only in one of the two; empty when they are equal.
std::string StateChanges(const MachineState& before, const MachineState& after);

// The installer's profile key: every start of the installer opens it, so it
// may have been there before the install; the uninstaller removes it when empty.
constexpr const char* kProfileKey = "HKCU\\Software\\Zerdane";

// The state without the files and keys whose text starts with `prefix`.
MachineState WithoutItemsUnder(MachineState state, const std::string& prefix);

} // namespace e2e
