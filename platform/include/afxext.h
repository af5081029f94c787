// The framework's extensions. The device's programs use none beyond the core framework, which
// this brings in as the SDK's header does.
#pragma once

#include "afxwin.h"
