#include "AppTrace.h"

// On until the device says otherwise: a program that never registers still traces, and the
// device keeps the texts only when its `trace` setting is on.
DBGPARAM dpCurSettings = {L"Quenmora", {L"Trace"}, 0xFFFFFFFFUL};

void RegisterAppTrace() { RegisterDbgZones(nullptr, &dpCurSettings); }
