// The user-notification service of Windows CE.
#pragma once

#include "windows.h"
