// Graphics objects of the device that the program touches: fonts.
#pragma once

#include "windef.h"
