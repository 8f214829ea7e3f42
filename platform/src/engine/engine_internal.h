// Shared between the engine's object table and its driver loop.
#pragma once
#include "kvplat/engine.h"

namespace kvp::eng {

// The live-object table: every palette, surface and device record is registered while it exists.
void Register(const void* object);
bool Unregister(const void* object);
bool IsLive(const void* object);
// True while a test switch refuses bitmaps of this many bytes of bits (kvp::test::FailBitmapsAbove).
bool BitmapRefusedForTest(size_t bytes);
// The DHPDEV the driver gave for an engine device (null for an unknown device).
DHPDEV DeviceDhpdev(HDEV hdev);

}  // namespace kvp::eng
