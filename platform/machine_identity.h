// Who and where the client runs: host name, effective user, and the stable
// machine properties a hardware identifier is derived from.
#pragma once

#include <optional>
#include <string>

namespace dravanta {

// The network host name as the system reports it (raw bytes), or nothing.
std::optional<std::string> QueryHostName();

// The login name of the effective user (raw bytes), or nothing.
std::optional<std::string> QueryEffectiveUserName();

// Properties that stay the same across runs of one machine. Each is empty
// when the machine does not expose it or it cannot be read.
struct MachineProperties {
  std::string machine_id;          // /etc/machine-id (or the D-Bus copy)
  std::string product_uuid;        // the board's product identifier, when readable
  std::string root_filesystem_id;  // identifier of the filesystem holding "/"
};

MachineProperties QueryMachineProperties();

}  // namespace dravanta
