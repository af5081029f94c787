#include "RecordFile.h"

#include <algorithm>
#include <cstring>

BOOL FileHandle::Close() {
  if (handle_ == INVALID_HANDLE_VALUE) return TRUE;
  const HANDLE handle = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  return CloseHandle(handle);
}

bool RecordReader::Fill() {
  if (atEnd_) return false;
  DWORD got = 0;
  if (!ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, nullptr)) {
    throw FileError::FromOsError(GetLastError(), name_);
  }
  begin_ = 0;
  end_ = got;
  if (got == 0) atEnd_ = true;
  return got != 0;
}

DWORD RecordReader::Read(BYTE* out, DWORD size) {
  DWORD copied = 0;
  while (copied < size) {
    if (begin_ == end_ && !Fill()) break;
    const DWORD n = std::min(size - copied, end_ - begin_);
    std::memcpy(out + copied, buffer_.data() + begin_, n);
    begin_ += n;
    copied += n;
  }
  return copied;
}

void RecordWriter::Write(const BYTE* data, DWORD size) {
  while (size > 0) {
    if (used_ == buffer_.size()) Flush();
    const DWORD n = std::min(size, static_cast<DWORD>(buffer_.size()) - used_);
    std::memcpy(buffer_.data() + used_, data, n);
    used_ += n;
    data += n;
    size -= n;
  }
}

void RecordWriter::Flush() {
  if (used_ == 0) return;
  DWORD written = 0;
  if (!WriteFile(file_, buffer_.data(), used_, &written, nullptr)) {
    throw FileError::FromOsError(GetLastError(), name_);
  }
  if (written < used_) throw FileError(FileError::diskFull, name_);
  used_ = 0;
}
