// Test hooks that make the program's Win32 file calls fail, so that every failure path of the
// program can be driven. Only the Win32 file services (CreateFile, ReadFile, WriteFile,
// FlushFileBuffers, CloseHandle, MoveFile, DeleteAndRenameFile, DeleteFile) consult them; the
// device's own state files never do.
//
// Each fault watches one kind of operation, optionally only on files whose CE path contains a
// text (compared without regard to case), and optionally lets a number of matching operations
// succeed first. A failing or short fault fires once and is gone; a full disk stays full until
// the faults are cleared.
//
// The same faults can come from the environment variable CEDEVICE_FAULTS, read when the
// program's first file operation runs:
//
//   faults := fault ( "," fault )*
//   fault  := OP [ "/" AFTER ] ":" EFFECT [ "@" TEXT ]
//   OP     := open | read | write | flush | close | rename | delete
//   EFFECT := CODE             the operation fails with Win32 error CODE (decimal)
//           | "short" BYTES    write only: stores BYTES bytes and reports success with that count
//           | "full" BYTES     write only: the disk is full once BYTES more bytes are stored;
//                              the write that crosses stores what fits and fails with 112
//   AFTER  := matching operations that succeed before the fault acts (default 0)
//   TEXT   := runs to the next comma; the fault then watches only paths that contain it
//
// For example `write:112@Quenmora.dat,open/1:5` fails the next write to a file whose path has
// "Quenmora.dat" with ERROR_DISK_FULL, and the second open of any file with
// ERROR_ACCESS_DENIED. A value that does not follow the grammar stops the program with a
// message on standard error and exit status 2, rather than running a test without its fault.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <windef.h>

namespace cedev {

enum class FileOp { open, read, write, flush, close, rename, remove };

struct FileFault {
  enum class Effect {
    fail,        // the operation fails with `error`
    shortWrite,  // a write stores `bytes` bytes (fewer than asked) and reports success
    diskFull,    // writes store `bytes` more bytes in all, then fail with `error` (112)
  };
  FileOp op = FileOp::write;
  Effect effect = Effect::fail;
  DWORD error = 0;            // Win32 code for fail and diskFull
  DWORD bytes = 0;            // shortWrite and diskFull
  std::wstring pathContains;  // empty: any file
  unsigned after = 0;         // matching operations that succeed first
};

// Adds a fault; faults act in the order they were added (the first that matches acts).
void InjectFileFault(const FileFault& fault);
void ClearFileFaults();
// Faults still waiting to act (a full disk counts until cleared).
std::size_t PendingFileFaults();

// Parses the CEDEVICE_FAULTS grammar; std::invalid_argument saying what is wrong.
std::vector<FileFault> ParseFileFaults(std::string_view text);

}  // namespace cedev
