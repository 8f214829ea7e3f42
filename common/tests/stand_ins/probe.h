// Two functions of a deliberate fault for the stand-in check: one whose real definition is linked
// beside its stand-in, one whose real definition takes other parameter types.
#pragma once
int KvProbeShadowed(int value);
int KvProbeRetyped(int value);
int KvProbeAlone(int value);
