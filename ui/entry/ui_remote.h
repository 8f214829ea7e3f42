// Remote configuration of a printer through the status service.
#pragma once

struct SETTING_CONTEXT;

// Copies the lists fetched from the server into the local driver INI and settings files: 1 done, 0 not.
int InstSyncRemoteLists(SETTING_CONTEXT* ctx);
