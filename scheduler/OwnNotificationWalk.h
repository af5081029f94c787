// The walk over the registered notifications that finds the program's own: time notifications
// that run "\Windows\Quenmora.exe" (compared case-sensitively, whatever their arguments). The
// wake-up registration removes what it finds; the events viewer lists it.
#pragma once

#include <functional>

#include <windows.h>
#include <notify.h>

// The program's own executable, which its notifications run.
extern const WCHAR kOwnApplication[];

// True for a fetched record that is one of the program's own notifications.
bool IsOwnNotification(const CE_NOTIFICATION_INFO_HEADER& info);

// Called once for each own notification, in the order of the service's handles. The record
// lives only for the call.
using OwnNotificationVisitor = std::function<void(const CE_NOTIFICATION_INFO_HEADER& info)>;

// True for a handle the walk is to pass over without fetching its record.
using HandleFilter = std::function<bool(HANDLE handle)>;

enum class WalkTrace { Quiet, Registration };

// Walks the notifications as the service holds them now. A count or handle fetch that fails
// ends the walk; a record that cannot be fetched is left out, and so is a handle `passOver`
// names. With WalkTrace::Registration the walk reports its steps to the trace hook as the
// registration's own trace points.
void WalkOwnNotifications(const OwnNotificationVisitor& visit, WalkTrace trace,
                          const HandleFilter& passOver = {});
