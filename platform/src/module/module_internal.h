// What other platform areas ask of the module loader. Internal to the platform library.
#pragma once
#include <sys/types.h>

namespace kvp::mod {

// Unloads at once a module kept on the loader's shelf (freed a moment ago) whose file is (dev, ino): the
// file is about to be written in place, which must never change pages a loaded module still maps.
void ForgetShelved(dev_t dev, ino_t ino);

}  // namespace kvp::mod
