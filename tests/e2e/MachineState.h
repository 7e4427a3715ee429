// What an uninstall must give back exactly: every file and folder of the C:
// drive (name, attributes, size) outside the temporary folders, and every key
// and value under HKLM\Software and HKCU\Software as a 32-bit program sees them.
#pragma once

#include <functional>
#include <set>
#include <string>

namespace e2e {

struct MachineState {
    std::set<std::string> files;    // "path|attributes|size", UTF-8
    std::set<std::string> registry; // "HKLM\key" and "HKLM\key|name|type|data (hex)"
};

MachineState CaptureMachineState();

// One line per item that is only in one of the two; empty when they are equal.
std::string StateChanges(const MachineState& before, const MachineState& after);

// Waits until the condition holds, checking every 50 ms up to the timeout.
bool WaitUntil(const std::function<bool()>& condition, unsigned timeoutMs);

} // namespace e2e
