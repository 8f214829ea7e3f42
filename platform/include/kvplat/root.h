// The machine root: one host folder that stands for the whole machine (drives, registry, spooler,
// system profile). Every process that sets the same root sees the same machine.
#pragma once
#include <string>
#include <string_view>
#include "kvplat/types.h"

namespace kvp {

// The current machine root: set by SetMachineRoot, else $KV_MACHINE_ROOT, else ./machine.
std::string MachineRoot();
// Selects another root for this process and drops every cached view of the previous one.
void SetMachineRoot(const std::string& hostDir);
// Creates the folders and default files of a new machine root (idempotent). Returns ERROR_SUCCESS or an error code.
DWORD InitMachineRoot(const std::string& hostDir);

// Maps a machine path ("C:\X\Y", "\\server\share\Y", forward slashes allowed) onto a host path under the
// root. Existing components are matched case-insensitively; missing ones keep the given spelling.
// Fails (returns the error code, out untouched) for null/empty/relative paths, invalid characters,
// ".." climbing above the drive or share, drives without a folder under the root, and over-long paths.
DWORD MapPath(std::u16string_view winPath, std::string& hostOut);

// Called by areas that cache machine state, so SetMachineRoot can drop it.
using RootChangedFn = void (*)();
void OnRootChanged(RootChangedFn fn);

}  // namespace kvp
