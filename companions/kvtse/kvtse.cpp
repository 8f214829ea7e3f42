// Stand-in for the maker's terminal-server library. Script key ([Answers] in kvtse.ini): TerminalServer,
// the integer the export returns (1 means the driver runs in terminal-server mode; without the key, the
// system profile's TerminalServer switch, as the machine's own terminal services would tell).
// The variant built with KV_TSE_NO_EXPORT lacks the export.
#include "companion_script.h"
#include "kvplat/sysinfo.h"
#include "kvplat/types.h"

#ifndef KV_TSE_NO_EXPORT
KVAPI int _IsTSE_WMICOM_ZARN_Printer_Driver() {
  kvcomp::LogCall("kvtse", "_IsTSE_WMICOM_ZARN_Printer_Driver");
  return int(kvcomp::ScriptInt("kvtse", "TerminalServer", long(kvp::ProfileGetInt("TerminalServer", 0))));
}
#else
KVAPI int kvtse_placeholder() { return 0; }
#endif
