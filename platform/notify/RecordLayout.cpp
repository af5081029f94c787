#include "RecordLayout.h"

#include <cstring>
#include <new>

namespace cedev::notify {
namespace {

constexpr size_t AlignUp(size_t offset, size_t alignment) {
  return (offset + alignment - 1) / alignment * alignment;
}

size_t StringBytes(const std::optional<std::wstring>& text) {
  return text ? (text->size() + 1) * sizeof(WCHAR) : 0;
}

// Offsets of the parts; the strings follow one another from `strings`.
struct Layout {
  size_t trigger = 0;
  size_t user = 0;  // meaningful when the record has a user notification
  size_t strings = 0;
  size_t total = 0;
};

Layout Plan(const NotificationRecord& record) {
  Layout layout;
  layout.trigger = AlignUp(sizeof(CE_NOTIFICATION_INFO_HEADER), alignof(CE_NOTIFICATION_TRIGGER));
  size_t offset = layout.trigger + sizeof(CE_NOTIFICATION_TRIGGER);
  if (record.user) {
    layout.user = AlignUp(offset, alignof(CE_USER_NOTIFICATION));
    offset = layout.user + sizeof(CE_USER_NOTIFICATION);
  }
  layout.strings = AlignUp(offset, alignof(WCHAR));
  size_t total = layout.strings + StringBytes(record.application) + StringBytes(record.arguments);
  if (record.user) {
    total += StringBytes(record.user->dialogTitle) + StringBytes(record.user->dialogText) +
             StringBytes(record.user->sound);
  }
  layout.total = total;
  return layout;
}

// Copies the text to the buffer at *offset and returns where it went (null for no text).
WCHAR* PlaceString(BYTE* buffer, size_t* offset, const std::optional<std::wstring>& text) {
  if (!text) return nullptr;
  auto* out = reinterpret_cast<WCHAR*>(buffer + *offset);
  std::memcpy(out, text->c_str(), (text->size() + 1) * sizeof(WCHAR));
  *offset += StringBytes(text);
  return out;
}

}  // namespace

DWORD RecordBufferSize(const NotificationRecord& record) {
  return static_cast<DWORD>(Plan(record).total);
}

void WriteRecordBuffer(const NotificationRecord& record, BYTE* buffer) {
  const Layout layout = Plan(record);
  std::memset(buffer, 0, layout.total);
  auto* header = new (buffer) CE_NOTIFICATION_INFO_HEADER{};
  auto* trigger = new (buffer + layout.trigger) CE_NOTIFICATION_TRIGGER{};
  size_t offset = layout.strings;
  trigger->dwSize = sizeof(CE_NOTIFICATION_TRIGGER);
  trigger->dwType = record.type;
  trigger->dwEvent = record.event;
  trigger->lpszApplication = PlaceString(buffer, &offset, record.application);
  trigger->lpszArguments = PlaceString(buffer, &offset, record.arguments);
  trigger->stStartTime = record.start;
  trigger->stEndTime = record.end;
  header->hNotification = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(record.handle));
  header->dwStatus = 0;  // the runner removes what it fires: nothing kept is signalled
  header->pcent = trigger;
  header->pceun = nullptr;
  if (record.user) {
    auto* user = new (buffer + layout.user) CE_USER_NOTIFICATION{};
    user->ActionFlags = record.user->actionFlags;
    user->pwszDialogTitle = PlaceString(buffer, &offset, record.user->dialogTitle);
    user->pwszDialogText = PlaceString(buffer, &offset, record.user->dialogText);
    user->pwszSound = PlaceString(buffer, &offset, record.user->sound);
    user->nMaxSound = record.user->maxSound;
    user->dwReserved = record.user->reserved;
    header->pceun = user;
  }
}

}  // namespace cedev::notify
