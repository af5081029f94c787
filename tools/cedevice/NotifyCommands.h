// The cedevice commands of the notification service: listing, registering and clearing
// notifications, the runner that fires them, and the device's summary.
#pragma once

#include <optional>
#include <string>

#include "NotificationRecord.h"

namespace cedevice {

int NotificationsCommand(int argc, char** argv);
int NotifyCommand(int argc, char** argv);
int ClearCommand(int argc, char** argv);
int RunCommand(int argc, char** argv);
int StatusCommand(int argc, char** argv);

// HANDLE<TAB>TYPE<TAB>YYYY-MM-DD HH:MM:SS<TAB>APPLICATION<TAB>ARGUMENTS, without a line break.
std::string NotificationLine(const cedev::notify::NotificationRecord& record);

// A notification's text for a tab-separated line: its tabs, newlines and carriage returns as
// \t, \n and \r, everything else as it is.
std::string ListedText(const std::optional<std::wstring>& text);

// A SYSTEMTIME as YYYY-MM-DD HH:MM:SS, its fields as they are (an event's unused time too).
std::string TimeText(const SYSTEMTIME& st);

// Damage the store reports from now on goes to standard error as the tool's own message.
void ReportStoreDamageAsTool();

// The status for a command that found the store damaged: it has said so on standard error and
// worked on what could be read; the caller must know that something was set aside.
int StatusAfterStoreDamage(int status);

}  // namespace cedevice
