// Buffered reading and writing of small fixed-size records over a platform file handle, so a
// schedule of many items costs a few large reads or writes rather than one call per record.
// Failures raise FileError with the cause of the platform error.
#pragma once

#include <array>

#include <windows.h>

#include "FileError.h"

// Owns an open file handle and closes it.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Reset(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  // Closes the handle; returns what CloseHandle said (TRUE when nothing was open).
  BOOL Close();
  void Reset() { Close(); }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class RecordReader {
 public:
  RecordReader(HANDLE file, const CString& name) : file_(file), name_(name) {}
  // Copies up to size bytes; returns how many the file still had.
  DWORD Read(BYTE* out, DWORD size);

 private:
  bool Fill();

  HANDLE file_;
  CString name_;
  std::array<BYTE, 16384> buffer_{};
  DWORD begin_ = 0;
  DWORD end_ = 0;
  bool atEnd_ = false;
};

class RecordWriter {
 public:
  RecordWriter(HANDLE file, const CString& name) : file_(file), name_(name) {}
  void Write(const BYTE* data, DWORD size);
  // Hands what is buffered to the platform; a write that stores fewer bytes than asked is a full
  // disk.
  void Flush();

 private:
  HANDLE file_;
  CString name_;
  std::array<BYTE, 16384> buffer_{};
  DWORD used_ = 0;
};
