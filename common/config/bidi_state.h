// Bidi state kept in the bidi INI between device queries, and its reload into a settings context.
#pragma once

struct SETTING_CONTEXT;

// True when "BidiFlag" of the bidi INI (default 0) is non-zero for the context's printer.
bool BidiIniFlagSet(SETTING_CONTEXT* ctx);
// Restores the device-query results parked in the bidi INI into the context; the read's result.
bool BidiLoadIniSettings(SETTING_CONTEXT* ctx);
// The printer-data write test: reads "BidiFlag" and writes the same value back; true when both succeed.
bool BidiTouchFlag(SETTING_CONTEXT* ctx);
