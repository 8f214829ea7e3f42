// A real definition whose parameter types differ from its one declaration: in the common library this
// does not compile (no previous declaration), instead of becoming a second overload beside the stand-in.
#include "probe.h"

int KvProbeRetyped(long value) { return (int)value; }
