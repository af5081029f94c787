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

// The save writes the new content to a file of its own beside the schedule file,
// "<file>.~XXXXXXXX.tmp" with eight upper-case hex digits, made exclusively: nothing of the
// person's is ever replaced, and a name that is taken (a file or folder of theirs, another
// save's) is passed by for the next. A killed save's file is removed by the next save; nothing
// but a plain file of exactly that pattern ever is.
constexpr TCHAR kOwnFileMark[] = _T(".~");
constexpr TCHAR kOwnFileEnd[] = _T(".tmp");
constexpr int kOwnFileDigits = 8;
constexpr int kOwnFileTries = 8;

CString OwnFileName(LPCTSTR path, DWORD number) {
  CString name;
  name.Format(_T("%s%s%08X%s"), path, kOwnFileMark, number, kOwnFileEnd);
  return name;
}

// Whether `found` (a name in the schedule file's folder) is "<fileName>.~XXXXXXXX.tmp".
bool IsOwnFileName(const CString& fileName, const CString& found) {
  const CString head = fileName + kOwnFileMark;
  const int tail = lstrlen(kOwnFileEnd);
  if (found.GetLength() != head.GetLength() + kOwnFileDigits + tail) return false;
  if (found.Left(head.GetLength()) != head || found.Right(tail) != kOwnFileEnd) return false;
  for (int i = head.GetLength(); i < head.GetLength() + kOwnFileDigits; ++i) {
    const TCHAR c = found[i];
    if (!((c >= _T('0') && c <= _T('9')) || (c >= _T('A') && c <= _T('F')))) return false;
  }
  return true;
}

// Removes what killed saves left beside the schedule file. A file that cannot be removed (held
// by a save going on now) stays.
void RemoveKilledSavesFiles(LPCTSTR path) {
  const CString full(path);
  const int slash = full.ReverseFind(_T('\\'));
  const CString folder = full.Left(slash + 1);
  const CString fileName = full.Mid(slash + 1);
  WIN32_FIND_DATA found;
  const HANDLE search = FindFirstFile(full + kOwnFileMark + _T("*") + kOwnFileEnd, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        IsOwnFileName(fileName, found.cFileName)) {
      DeleteFile(folder + found.cFileName);
    }
  } while (FindNextFile(search, &found));
  FindClose(search);
}

// Makes the save's own file under a name nobody has; its name in `ownPath`. The first number is
// spread by the clock and the process, so that saves of two processes start from different
// names; the next ones step through all 2^32.
HANDLE CreateOwnFile(LPCTSTR path, CString& ownPath) {
  DWORD number = (GetTickCount() * 2654435761u) ^ GetCurrentProcessId();
  for (int attempt = 0;; ++attempt, number = number * 1664525u + 1013904223u) {
    ownPath = OwnFileName(path, number);
    const HANDLE file =
        CreateFile(ownPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS ||
        attempt + 1 == kOwnFileTries) {
      return file;
    }
  }
}

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
  FileHandle file(
      CreateFile(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) throw FileError(FileError::fileNotFound, path);

  const DWORD length = GetFileSize(file.Get(), nullptr);
  if (length == INVALID_FILE_SIZE) throw FileError::FromOsError(GetLastError(), path);

  RecordReader reader(file.Get(), path);
  BYTE header[kScheduleHeaderSize];
  const DWORD got = reader.Read(header, kScheduleHeaderSize);
  TakeLowBytes(schedule.tapPoint.x, header, got < 2 ? got : 2);
  if (got > 2) TakeLowBytes(schedule.tapPoint.y, header + 2, got < 4 ? got - 2 : 2);
  if (got > 4) TakeLowBytes(schedule.EventHandle, header + 4, got - 4);

  const DWORD count =
      length < kScheduleHeaderSize ? 0 : (length - kScheduleHeaderSize) / kItemRecordSize;
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

  RemoveKilledSavesFiles(path);
  CString newPath;
  FileHandle file(CreateOwnFile(path, newPath));
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
