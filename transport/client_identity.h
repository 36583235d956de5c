// Who the requests come from: computer name, user name and the machine's
// hardware identifier.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/machine_identity.h"

namespace dravanta {

// The host name, or nothing when the system cannot tell it.
std::optional<std::u16string> ComputerName();

// The effective user's account name, or nothing when unknown or longer than
// 256 characters.
std::optional<std::u16string> UserName();

// Eight characters of 0-9 and A-Z, the same on every run of one machine.
std::u16string HardwareIdentifier();

// The derivation on its own: a digest of the properties folded into eight
// base-36 digits.
std::u16string HardwareIdentifierFrom(const std::vector<MachineProperty>& properties);

}  // namespace dravanta
