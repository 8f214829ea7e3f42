#include "probe.h"

int main(int argc, char**) { return KvProbeShadowed(argc) + KvProbeRetyped(argc) + KvProbeAlone(argc) > 100; }
