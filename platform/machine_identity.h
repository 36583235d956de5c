// Who and where the client runs: host name, user, and the stable machine
// properties a hardware identifier is derived from.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dravanta {

// The network host name as the system reports it, or nothing.
std::optional<std::u16string> QueryHostName();

// The account name of the user the process runs as, or nothing.
std::optional<std::u16string> QueryUserName();

// One property that stays the same across runs of one machine: a short
// fixed name and its value (empty when the machine does not expose it or it
// cannot be read).
struct MachineProperty {
  std::string name;
  std::string value;
};

// The machine's properties in a fixed order. On POSIX: "machine-id",
// "product-uuid" (the board's) and "root-filesystem" (the identifier of the
// filesystem holding "/"). On Windows: "system-uuid" (the firmware's system
// identifier), "processor" (architecture, level and revision) and
// "system-volume" (the serial number of the volume holding Windows).
std::vector<MachineProperty> QueryMachineProperties();

}  // namespace dravanta
