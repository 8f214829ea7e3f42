// Arbitrary bytes as a device-identification string, given without a terminating NUL.
#include <cstddef>
#include <cstdint>

#include "statusdata/pjlreply.h"
#include "statusdata/pminfo.h"
#include "statusdata/tests/record_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sdtest::Record record;
  PatParseDeviceId(reinterpret_cast<const char*>(data), size, record.get());
  // Whatever went in must flatten cleanly.
  PRN_INFO flat;
  PatConvertPrnInfoEx(record.get(), &flat, 0xFFFFFFFF);
  return 0;
}
