// The one-line text of a schedule item, as the main dialog lists it.
#pragma once

#include <afxstr.h>

#include "ScheduleItem.h"

// "Mute On at 07:30:00 Mo Tu We Th Fr ": the mute state, the time, then the days from Sunday to
// Saturday, each followed by a blank. An invalid time prints as -1:-1:-1.
CString FormatItemSummary(const ScheduleItem& item);
