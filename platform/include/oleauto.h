// OLE automation dates: a DATE is a count of days since 1899-12-30 00:00, the fraction
// being the time of day (for dates before 1899-12-30 the fraction still counts forward).
#pragma once

#include "windef.h"

// Fails (returns FALSE) for a field out of range or a year outside 100..9999. Milliseconds
// are ignored.
INT SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DATE* pvtime);
// Rounds to the nearest second; fills wDayOfWeek; milliseconds are 0.
INT VariantTimeToSystemTime(DATE vtime, LPSYSTEMTIME lpSystemTime);
