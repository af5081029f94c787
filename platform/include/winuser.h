// Window manager of the device: windows, classes, messages, threads' queues, input, focus.
#pragma once

#include "windef.h"
