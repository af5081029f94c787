// The dialog framework (MFC for Windows CE), the subset the program uses.
#pragma once

#include "windows.h"
#include "afxstr.h"
#include "afxapp.h"
