// Prints which probe functions are stand-ins, as the guard of stand-in answers in tests sees them.
#include <cstdio>

#include "kvseam.h"
#include "probe.h"

int main(int argc, char**) {
  std::printf("alone stand-in %d\nshadowed stand-in %d\n", KvIsStandIn(reinterpret_cast<const void*>(&KvProbeAlone)),
              KvIsStandIn(reinterpret_cast<const void*>(&KvProbeShadowed)));
  return KvProbeShadowed(argc) + KvProbeRetyped(argc) + KvProbeAlone(argc) > 100;
}
