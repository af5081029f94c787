// The next-change search: which item's occurrence comes next after the local time now.
#pragma once

#include "Schedule.h"

// The item whose occurrence is the nearest change ahead, with its nextDay set to the weekday
// of that occurrence; null when no item qualifies. Items at now's hour and minute are passed
// over, and so are items whose time is not valid, as no wake-up can be registered for them.
ScheduleItem* GetNextItem(Schedule& schedule);
