// The one application object of the program.
#include "MuteApp.h"

CMuteApp theApp;
