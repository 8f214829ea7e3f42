#include "admin.h"

#include "kvplat/sysinfo.h"

namespace kvp::sec {

bool AdministratorSwitch() { return ProfileGetInt("Administrator", 1) != 0; }

}  // namespace kvp::sec
