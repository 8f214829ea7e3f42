// The system profile's administrator switch, the one source of "is the caller an administrator" for
// the registry and the security calls. Internal.
#pragma once

namespace kvp::sec {

// [System] Administrator of the system profile, as it is now (tests flip it); a machine
// without the switch counts as run by its administrator, as a new machine root is.
bool AdministratorSwitch();

}  // namespace kvp::sec
