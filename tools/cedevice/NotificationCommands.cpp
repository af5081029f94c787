// cedevice notifications | notify TYPE TIME APPLICATION [ARGUMENTS] | clear HANDLE
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include <notify.h>

#include "DeviceError.h"
#include "DeviceTime.h"
#include "NotificationStore.h"
#include "NotifyCommands.h"
#include "StoreText.h"
#include "ToolCommand.h"
#include "WideText.h"

namespace cedevice {

namespace {

constexpr const char* kNotifyUsage =
    "usage: cedevice notify time|event|period|classic \"YYYY-MM-DD HH:MM:SS\" APPLICATION "
    "[ARGUMENTS]";

std::optional<DWORD> ParseHandle(const char* text) {
  const std::string_view view(text);
  DWORD value = 0;
  const auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
  if (ec != std::errc() || end != view.data() + view.size() || value == 0) return std::nullopt;
  return value;
}

std::string ErrorText(DWORD error) {
  switch (error) {
    case ERROR_INVALID_PARAMETER:
      return "an invalid trigger (error 87)";
    case ERROR_GEN_FAILURE:
      return "the notification store failed (error 31)";
    default:
      return "error " + std::to_string(error);
  }
}

// The column of a registration that cannot be listed as it is given, if any.
const char* UnlistableColumn(const char* application, const char* arguments) {
  const auto breaksLine = [](const char* text) {
    return text != nullptr && std::strpbrk(text, "\t\n\r") != nullptr;
  };
  if (breaksLine(application)) return "the application";
  if (breaksLine(arguments)) return "the arguments";
  return nullptr;
}

// The column of a registration that is not UTF-8 text, if any: the store would keep U+FFFD in
// place of its bytes, and the application would not get what was given.
const char* NotUtf8Column(const char* application, const char* arguments) {
  const auto notUtf8 = [](const char* text) {
    return text != nullptr && cedev::Utf8FromWide(cedev::WideFromUtf8(text)) != text;
  };
  if (notUtf8(application)) return "the application";
  if (notUtf8(arguments)) return "the arguments";
  return nullptr;
}

// The listing's pieces are appended in place: a store of ten thousand notifications is listed
// without a temporary string for each of its fields.
void AppendListed(std::string& out, const std::optional<std::wstring>& text) {
  if (!text) return;
  for (const char c : cedev::Utf8FromWide(*text)) cedev::notify::AppendOnOneLine(out, c);
}

void AppendTime(std::string& out, const SYSTEMTIME& st) {
  cedev::AppendDeviceTime(out, cedev::FromSystemTime(st));
}

void AppendNotificationLine(std::string& out, const cedev::notify::NotificationRecord& record) {
  const char* type = cedev::notify::TypeName(record.type);
  out += std::to_string(record.handle);
  out += '\t';
  out += type != nullptr ? type : "unknown";
  out += '\t';
  AppendTime(out, record.start);
  out += '\t';
  AppendListed(out, record.application);
  out += '\t';
  AppendListed(out, record.arguments);
}

}  // namespace

// The listing is one line a notification with tab-separated columns, so a column's own tab,
// newline or carriage return would break it. The tool refuses them in what it registers; a
// notification another program registered through the API may still hold them, and they are
// shown as \t, \n and \r (a backslash stays itself: CE paths are full of them).
std::string ListedText(const std::optional<std::wstring>& text) {
  std::string shown;
  AppendListed(shown, text);
  return shown;
}

std::string TimeText(const SYSTEMTIME& st) {
  std::string text;
  AppendTime(text, st);
  return text;
}

std::string NotificationLine(const cedev::notify::NotificationRecord& record) {
  std::string line;
  AppendNotificationLine(line, record);
  return line;
}

void ReportStoreDamageAsTool() {
  cedev::notify::SetDamageReporter([](const std::string& message) { Fail(message); });
}

int StatusAfterStoreDamage(int status) {
  return status == 0 && cedev::notify::LastDamage() ? 2 : status;
}

int NotificationsCommand(int argc, char** /*argv*/) {
  if (argc != 2) return Fail("usage: cedevice notifications");
  ReportStoreDamageAsTool();
  const std::shared_ptr<const cedev::notify::StoreContent> store = cedev::notify::ReadStore();
  std::string out;
  out.reserve(store->records.size() * 64);
  for (const cedev::notify::NotificationRecord& record : store->records) {
    AppendNotificationLine(out, record);
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return StatusAfterStoreDamage(0);
}

int NotifyCommand(int argc, char** argv) {
  if (argc != 5 && argc != 6) return Fail(kNotifyUsage);
  ReportStoreDamageAsTool();
  const DWORD type = cedev::notify::TypeFromName(argv[2]);
  if (type == 0)
    return Fail("unknown notification type " + cedev::QuoteForMessage(argv[2]) + "; " +
                kNotifyUsage);
  const std::optional<cedev::DeviceTime> time = cedev::ParseDeviceTime(argv[3]);
  if (!time) {
    return Fail("not a device time: " + cedev::QuoteForMessage(argv[3]) +
                " (YYYY-MM-DD HH:MM:SS, a real date)");
  }
  if (const char* column = UnlistableColumn(argv[4], argc == 6 ? argv[5] : nullptr)) {
    return Fail(std::string(column) +
                " may not hold a tab, newline or carriage return: `cedevice notifications` " +
                "lists each notification on one line of tab-separated columns");
  }
  if (const char* column = NotUtf8Column(argv[4], argc == 6 ? argv[5] : nullptr)) {
    return Fail(std::string(column) +
                " must be UTF-8 text: the device keeps notifications as text");
  }
  std::wstring application = cedev::WideFromUtf8(argv[4]);
  std::wstring arguments = argc == 6 ? cedev::WideFromUtf8(argv[5]) : std::wstring();
  CE_NOTIFICATION_TRIGGER trigger = {};
  trigger.dwSize = sizeof trigger;
  trigger.dwType = type;
  trigger.lpszApplication = application.data();
  trigger.lpszArguments = arguments.data();
  trigger.stStartTime = cedev::ToSystemTime(*time);
  if (type == CNT_PERIOD) trigger.stEndTime = trigger.stStartTime;
  CE_USER_NOTIFICATION user = {};
  const HANDLE handle = CeSetUserNotificationEx(nullptr, &trigger, &user);
  if (handle == nullptr)
    return Fail("the service refused the notification: " + ErrorText(GetLastError()));
  const auto number = static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(handle));
  std::printf("%lu\n", number);
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    const int error = errno;
    std::clearerr(stdout);
    std::fprintf(stderr,
                 "cedevice: notify: the notification was registered with handle %lu, but the "
                 "handle could not be "
                 "written to the output: %s\n",
                 number, std::strerror(error));
    return 1;
  }
  return StatusAfterStoreDamage(0);
}

int ClearCommand(int argc, char** argv) {
  if (argc != 3) return Fail("usage: cedevice clear HANDLE");
  ReportStoreDamageAsTool();
  const std::optional<DWORD> handle = ParseHandle(argv[2]);
  if (!handle) return Fail("not a handle: '" + std::string(argv[2]) + "' (a number from 1)");
  if (!CeClearUserNotification(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(*handle)))) {
    if (GetLastError() == ERROR_INVALID_PARAMETER)
      return Fail("no notification has the handle " + std::string(argv[2]));
    return Fail("cannot clear " + std::string(argv[2]) + ": " + ErrorText(GetLastError()));
  }
  return StatusAfterStoreDamage(0);
}

}  // namespace cedevice
