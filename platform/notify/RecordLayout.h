// How CeGetUserNotification lays a record out in the caller's one buffer: the header, the
// trigger, the user notification (when there is one), then the strings, each pointer of the
// header and the records pointing into the same buffer.
#pragma once

#include <cstddef>

#include "NotificationRecord.h"

namespace cedev::notify {

// Bytes needed for the whole record.
DWORD RecordBufferSize(const NotificationRecord& record);

// Fills buffer (at least RecordBufferSize bytes, aligned as operator new aligns) with the record.
void WriteRecordBuffer(const NotificationRecord& record, BYTE* buffer);

}  // namespace cedev::notify
