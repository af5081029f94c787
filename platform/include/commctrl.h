// Common controls: the date-time picker and friends.
#pragma once

#include "windows.h"
