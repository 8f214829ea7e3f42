// Stand-ins of the probe functions.
#include "kvseam.h"
#include "probe.h"

KV_SEAM(KvProbeShadowed) int KvProbeShadowed(int) { return 0; }
KV_SEAM(KvProbeRetyped) int KvProbeRetyped(int) { return 0; }
KV_SEAM(KvProbeAlone) int KvProbeAlone(int) { return 0; }
