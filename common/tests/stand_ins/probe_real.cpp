// Real definitions that the stand-in check must catch: one shadows its stand-in, one was written
// without the owner's header and so became a second overload instead of replacing the stand-in.
#include "probe.h"

int KvProbeShadowed(int value) { return value; }
int KvProbeRetyped(long value);
int KvProbeRetyped(long value) { return (int)value; }
