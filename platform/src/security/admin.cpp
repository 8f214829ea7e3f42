#include "admin.h"

#include "../profile/ini_internal.h"
#include "kvplat/root.h"

namespace kvp::sec {

bool AdministratorSwitch() {
  return kvp::ini::ReadHostInt(MachineRoot() + "/machine.ini", u"System", u"Administrator", 1) != 0;
}

}  // namespace kvp::sec
