// The wake-up registration: time notifications that relaunch the program at the next change
// with the launch argument "M%d" naming the volume mode.
#pragma once

#include "Schedule.h"

// Registers two notifications for the item's next occurrence (on its nextDay), at the change
// time and 2 minutes later, then removes every own notification that was there before, so that
// the program always has a wake-up. EventHandle keeps the latest handle. Failures are only
// traced.
void SetNotifcation(Schedule& schedule, ScheduleItem& item);

// The next-change search, then the registration of what it found; nothing when it found none.
void ScheduleNextChange(Schedule& schedule);
