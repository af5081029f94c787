#include "ScheduleFile.h"

#include <memory>

namespace {

// Sets the low-order bytes of a field from the bytes present; the rest keep their value.
template <typename Field>
void TakeLowBytes(Field& field, const BYTE* bytes, DWORD count) {
  for (DWORD i = 0; i < count; ++i) {
    const unsigned shift = 8 * i;
    field = static_cast<Field>((field & ~(static_cast<Field>(0xFF) << shift)) |
                               (static_cast<Field>(bytes[i]) << shift));
  }
}

// The file the new content is written to before it replaces the schedule file.
CString NewFileName(LPCTSTR path) { return CString(path) + _T(".new"); }

FileError OpenFailure(LPCTSTR path, DWORD osError) {
  CString name;
  name.Format(_T("%s Err: %d"), path, static_cast<int>(osError));
  return FileError(FileError::generic, name);
}

}  // namespace

bool ReadItemRecord(RecordReader& file, ScheduleItem& item) {
  BYTE record[kItemRecordSize];
  if (file.Read(record, kItemRecordSize) < kItemRecordSize) return false;
  item.days = record[0];
  item.time = TimeOfDay(record[1], record[2], record[3]);
  item.muteOn = record[4];
  return true;
}

void WriteItemRecord(RecordWriter& file, const ScheduleItem& item) {
  const BYTE record[kItemRecordSize] = {
      item.days,
      static_cast<BYTE>(item.time.hour() & 0xFF),
      static_cast<BYTE>(item.time.minute() & 0xFF),
      static_cast<BYTE>(item.time.second() & 0xFF),
      static_cast<BYTE>(item.muteOn & 0xFF),
  };
  file.Write(record, kItemRecordSize);
}

void LoadSchedule(Schedule& schedule, LPCTSTR path) {
  FileHandle file(CreateFile(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) throw FileError(FileError::fileNotFound, path);

  const DWORD length = GetFileSize(file.Get(), nullptr);
  if (length == INVALID_FILE_SIZE) throw FileError::FromOsError(GetLastError(), path);

  RecordReader reader(file.Get(), path);
  BYTE header[kScheduleHeaderSize];
  const DWORD got = reader.Read(header, kScheduleHeaderSize);
  TakeLowBytes(schedule.tapPoint.x, header, got < 2 ? got : 2);
  if (got > 2) TakeLowBytes(schedule.tapPoint.y, header + 2, got < 4 ? got - 2 : 2);
  if (got > 4) TakeLowBytes(schedule.EventHandle, header + 4, got - 4);

  const DWORD count = length < kScheduleHeaderSize ? 0 : (length - kScheduleHeaderSize) / kItemRecordSize;
  schedule.Reserve(static_cast<size_t>(schedule.Count()) + count);
  for (DWORD i = 0; i < count; ++i) {
    auto item = std::make_unique<ScheduleItem>();
    // The file was shorter than its size said (it shrank under us): what was read stays.
    if (!ReadItemRecord(reader, *item)) throw FileError(FileError::endOfFile, path);
    schedule.Append(std::move(item));
  }
}

void SaveSchedule(const Schedule& schedule, LPCTSTR path) {
  // Hold the schedule file exclusively while the new content is written, as an open for writing
  // would: a save while another process has it open fails here, before anything is written.
  FileHandle current(CreateFile(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!current.IsOpen()) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) throw OpenFailure(path, error);
  }

  const CString newPath = NewFileName(path);
  FileHandle file(CreateFile(newPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) throw OpenFailure(path, GetLastError());

  try {
    RecordWriter writer(file.Get(), path);
    BYTE header[kScheduleHeaderSize];
    const TapPoint& tap = schedule.tapPoint;
    const DWORD handle = schedule.EventHandle;
    header[0] = LOBYTE(tap.x);
    header[1] = HIBYTE(tap.x);
    header[2] = LOBYTE(tap.y);
    header[3] = HIBYTE(tap.y);
    for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<BYTE>(handle >> (8 * i));
    writer.Write(header, kScheduleHeaderSize);
    for (int i = 0; i < schedule.Count(); ++i) WriteItemRecord(writer, schedule.Item(i));
    writer.Flush();
    if (!FlushFileBuffers(file.Get()) || !file.Close()) {
      throw FileError::FromOsError(GetLastError(), path);
    }
    const bool hadFile = current.IsOpen();
    current.Close();
    const BOOL replaced = hadFile ? DeleteAndRenameFile(path, newPath) : MoveFile(newPath, path);
    if (!replaced) throw FileError::FromOsError(GetLastError(), path);
  } catch (const FileError&) {
    const DWORD error = GetLastError();
    file.Close();
    DeleteFile(newPath);
    SetLastError(error);
    throw;
  }
}
