// Win32 file semantics on the device: dispositions and their last errors, exclusive opens
// within a process and across processes, reading, writing, seeking and replacing.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include "DeviceRoot.h"
#include "DeviceTest.h"
#include "Watchdog.h"

namespace fs = std::filesystem;

namespace {

const wchar_t kFile[] = L"\\My Documents\\file.bin";

class FileSemanticsTest : public testsupport::DeviceTest {
 protected:
  void SetUp() override {
    testsupport::DeviceTest::SetUp();
    cedev::DeviceRoot();
  }
  HANDLE Open(const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  std::string Content() { return testsupport::ReadBytes(Host("My Documents/file.bin")); }
};

TEST_F(FileSemanticsTest, DispositionsAndTheirLastErrors) {
  struct Case {
    const char* what;
    const char* before;  // null: no file
    DWORD access;
    DWORD disposition;
    bool opens;
    DWORD lastError;
    const char* after;  // null: no file
  };
  const DWORD rw = GENERIC_READ | GENERIC_WRITE;
  const Case cases[] = {
      {"new file, CREATE_NEW", nullptr, rw, CREATE_NEW, true, NO_ERROR, ""},
      {"existing, CREATE_NEW", "old", rw, CREATE_NEW, false, ERROR_FILE_EXISTS, "old"},
      {"new file, CREATE_ALWAYS", nullptr, GENERIC_WRITE, CREATE_ALWAYS, true, NO_ERROR, ""},
      {"existing, CREATE_ALWAYS truncates", "old", GENERIC_WRITE, CREATE_ALWAYS, true,
       ERROR_ALREADY_EXISTS, ""},
      {"missing, OPEN_EXISTING", nullptr, GENERIC_READ, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND,
       nullptr},
      {"existing, OPEN_EXISTING keeps", "old", GENERIC_READ, OPEN_EXISTING, true, NO_ERROR, "old"},
      {"new file, OPEN_ALWAYS", nullptr, rw, OPEN_ALWAYS, true, NO_ERROR, ""},
      {"existing, OPEN_ALWAYS keeps", "old", rw, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, "old"},
      {"existing, TRUNCATE_EXISTING", "old", GENERIC_WRITE, TRUNCATE_EXISTING, true, NO_ERROR, ""},
      {"missing, TRUNCATE_EXISTING", nullptr, GENERIC_WRITE, TRUNCATE_EXISTING, false,
       ERROR_FILE_NOT_FOUND, nullptr},
      {"TRUNCATE_EXISTING without write access", "old", GENERIC_READ, TRUNCATE_EXISTING, false,
       ERROR_INVALID_PARAMETER, "old"},
      {"unknown disposition", "old", rw, 9, false, ERROR_INVALID_PARAMETER, "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(Host("My Documents/file.bin"));
    if (c.before != nullptr) testsupport::WriteBytes(Host("My Documents/file.bin"), c.before);
    SetLastError(12345);
    const HANDLE h = Open(kFile, c.access, 0, c.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(GetLastError(), c.lastError);
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(h));
    }
    EXPECT_EQ(fs::exists(Host("My Documents/file.bin")), c.after != nullptr);
    if (c.after != nullptr) {
      EXPECT_EQ(Content(), c.after);
    }
  }
}

TEST_F(FileSemanticsTest, PathsThatCannotBeOpened) {
  struct Case {
    const wchar_t* path;
    DWORD disposition;
    DWORD lastError;
  };
  const Case cases[] = {
      {L"\\Missing\\file.bin", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
      {L"\\Missing\\file.bin", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {L"\\..\\outside.bin", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
      {L"\\My Documents\\..\\..\\outside.bin", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
      {L"\\.device\\clock", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {L"\\My Documents", OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {L"\\My Documents\\bad|name", CREATE_ALWAYS, ERROR_INVALID_NAME},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "disposition " << c.disposition);
    EXPECT_EQ(Open(c.path, GENERIC_READ | GENERIC_WRITE, 0, c.disposition), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.lastError);
  }
  EXPECT_FALSE(fs::exists(root_.parent_path() / "outside.bin"));
}

// A FIFO, a socket or a device node where a file should be is refused at once, as Windows
// refuses to open a folder as a file (ERROR_ACCESS_DENIED): nothing blocks on it, reads it,
// truncates it or removes it.
TEST_F(FileSemanticsTest, WhatIsNotAPlainFileIsRefusedAtOnce) {
  const msgtest::Watchdog watchdog("opening what is not a file");
  const fs::path thing = Host("My Documents/file.bin");
  const auto makeFifo = [&] { return ::mkfifo(thing.c_str(), 0644) == 0; };
  const auto makeSocket = [&] {
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", thing.c_str());
    const bool made = ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    return made;
  };
  const auto makeDevice = [&] { return ::symlink("/dev/null", thing.c_str()) == 0; };
  const struct {
    const char* kind;
    std::function<bool()> make;
  } kinds[] = {{"fifo", makeFifo}, {"socket", makeSocket}, {"device node", makeDevice}};
  const struct {
    DWORD access, disposition, error;
  } opens[] = {
      {GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
      {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
      {GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_ACCESS_DENIED},
      {GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS},
  };
  testsupport::WriteBytes(Host("My Documents/other.bin"), "other");
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.kind);
    fs::remove(thing);
    ASSERT_TRUE(kind.make()) << std::strerror(errno);
    struct stat before {};
    ASSERT_EQ(::lstat(thing.c_str(), &before), 0);
    for (const auto& open : opens) {
      SCOPED_TRACE(testing::Message()
                   << "access " << std::hex << open.access << " disposition " << open.disposition);
      EXPECT_EQ(Open(kFile, open.access, 0, open.disposition), INVALID_HANDLE_VALUE);
      EXPECT_EQ(GetLastError(), open.error);
    }
    EXPECT_FALSE(DeleteFileW(kFile));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteAndRenameFile(kFile, L"\\My Documents\\other.bin"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    struct stat after {};
    ASSERT_EQ(::lstat(thing.c_str(), &after), 0) << "it was removed";
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(testsupport::ReadBytes(Host("My Documents/other.bin")), "other");
  }
}

TEST_F(FileSemanticsTest, NamesAreFoundWithoutRegardToCase) {
  testsupport::WriteBytes(Host("My Documents/file.bin"), "abc");
  const HANDLE h = Open(L"\\MY DOCUMENTS\\FILE.BIN", GENERIC_READ, 0, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(h, nullptr), 3u);
  CloseHandle(h);
}

TEST_F(FileSemanticsTest, ExclusiveOpenWithinTheProcess) {
  testsupport::WriteBytes(Host("My Documents/file.bin"), "data");
  const HANDLE first = Open(kFile, GENERIC_READ, 0, OPEN_EXISTING);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  struct Case {
    DWORD access, share, disposition;
  };
  for (const Case& c :
       {Case{GENERIC_READ, 0, OPEN_EXISTING}, Case{GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING},
        Case{GENERIC_WRITE, 0, CREATE_ALWAYS}, Case{GENERIC_WRITE, 0, TRUNCATE_EXISTING}}) {
    EXPECT_EQ(Open(kFile, c.access, c.share, c.disposition), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_FALSE(DeleteFileW(kFile));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Content(), "data");  // a refused open never truncates
  EXPECT_TRUE(CloseHandle(first));
  const HANDLE again = Open(kFile, GENERIC_READ, 0, OPEN_EXISTING);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
}

TEST_F(FileSemanticsTest, SharedOpensCoexist) {
  testsupport::WriteBytes(Host("My Documents/file.bin"), "data");
  const HANDLE a = Open(kFile, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  const HANDLE b = Open(kFile, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_NE(a, INVALID_HANDLE_VALUE);
  EXPECT_NE(b, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(kFile, GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(a);
  CloseHandle(b);
}

// Waits up to 10 s for a byte on `fd`.
bool ReadByte(int fd) {
  pollfd p{fd, POLLIN, 0};
  char c = 0;
  return ::poll(&p, 1, 10000) == 1 && ::read(fd, &c, 1) == 1;
}

TEST_F(FileSemanticsTest, ExclusiveOpenAcrossProcesses) {
  testsupport::WriteBytes(Host("My Documents/file.bin"), "data");
  int held[2], release[2];
  ASSERT_EQ(::pipe(held), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The other process: holds the file until told to let it go.
    const HANDLE h = Open(kFile, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    const char ok = h != INVALID_HANDLE_VALUE ? 1 : 0;
    if (::write(held[1], &ok, 1) != 1) ::_exit(3);
    const bool told = ReadByte(release[0]);
    ::_exit(told && CloseHandle(h) ? 0 : 4);
  }
  ASSERT_TRUE(ReadByte(held[0])) << "the other process did not open the file";
  EXPECT_EQ(Open(kFile, GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Open(kFile, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  ASSERT_EQ(::write(release[1], "x", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  const HANDLE h = Open(kFile, GENERIC_READ, 0, OPEN_EXISTING);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(Content(), "data");
  for (int fd : {held[0], held[1], release[0], release[1]}) ::close(fd);
}

TEST_F(FileSemanticsTest, ReadsWritesAndSizes) {
  const HANDLE h = Open(kFile, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 99;
  EXPECT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
  EXPECT_EQ(n, 11u);
  DWORD high = 7;
  EXPECT_EQ(GetFileSize(h, &high), 11u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
  char buffer[16] = {};
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(std::string(buffer, n), "world");
  // At the end a read succeeds with nothing.
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(FlushFileBuffers(h));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(Content(), "hello world");
}

TEST_F(FileSemanticsTest, WriteOnAReadOnlyHandleIsDenied) {
  testsupport::WriteBytes(Host("My Documents/file.bin"), "data");
  const HANDLE h = Open(kFile, GENERIC_READ, 0, OPEN_EXISTING);
  DWORD n = 5;
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(h);
  EXPECT_EQ(Content(), "data");
}

TEST_F(FileSemanticsTest, SetFilePointerMethodsAndFailures) {
  testsupport::WriteBytes(Host("My Documents/file.bin"), "0123456789");
  const HANDLE h = Open(kFile, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  struct Case {
    LONG distance;
    DWORD method;
    DWORD result;
    DWORD lastError;
  };
  const Case cases[] = {
      {4, FILE_BEGIN, 4, NO_ERROR},
      {3, FILE_CURRENT, 7, NO_ERROR},
      {-2, FILE_CURRENT, 5, NO_ERROR},
      {0, FILE_END, 10, NO_ERROR},
      {-10, FILE_END, 0, NO_ERROR},
      {5, FILE_END, 15, NO_ERROR},  // past the end is allowed
      {-1, FILE_BEGIN, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
      {1, 3, INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.distance << " by method " << c.method);
    SetLastError(12345);
    EXPECT_EQ(SetFilePointer(h, c.distance, nullptr, c.method), c.result);
    EXPECT_EQ(GetLastError(), c.lastError);
  }
  // A failed move leaves the pointer where it was.
  char c = 0;
  DWORD n = 0;
  EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
  EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_TRUE(ReadFile(h, &c, 1, &n, nullptr));
  EXPECT_EQ(c, '2');
  // With a high part the distance is 64 bits.
  LONG high = 0;
  EXPECT_EQ(SetFilePointer(h, 8, &high, FILE_BEGIN), 8u);
  EXPECT_EQ(high, 0);
  CloseHandle(h);
}

TEST_F(FileSemanticsTest, SetEndOfFileCutsOrExtendsAtThePointer) {
  testsupport::WriteBytes(Host("My Documents/file.bin"), "0123456789");
  const HANDLE h = Open(kFile, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  SetFilePointer(h, 4, nullptr, FILE_BEGIN);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(GetFileSize(h, nullptr), 4u);
  SetFilePointer(h, 6, nullptr, FILE_BEGIN);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(GetFileSize(h, nullptr), 6u);
  CloseHandle(h);
  EXPECT_EQ(Content(), std::string("0123\0\0", 6));
}

TEST_F(FileSemanticsTest, MoveAndReplace) {
  testsupport::WriteBytes(Host("My Documents/a"), "A");
  testsupport::WriteBytes(Host("My Documents/b"), "B");
  EXPECT_FALSE(MoveFileW(L"\\My Documents\\a", L"\\My Documents\\b"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(MoveFileW(L"\\My Documents\\none", L"\\My Documents\\c"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(MoveFileW(L"\\My Documents\\a", L"\\My Documents\\c"));
  EXPECT_EQ(testsupport::ReadBytes(Host("My Documents/c")), "A");

  // DeleteAndRenameFile: the old file goes, the new one takes its name, unless it is held.
  const HANDLE held =
      CreateFileW(L"\\My Documents\\b", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(DeleteAndRenameFile(L"\\My Documents\\b", L"\\My Documents\\c"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(held);
  EXPECT_TRUE(DeleteAndRenameFile(L"\\My Documents\\b", L"\\My Documents\\c"));
  EXPECT_EQ(testsupport::ReadBytes(Host("My Documents/b")), "A");
  EXPECT_FALSE(fs::exists(Host("My Documents/c")));
  EXPECT_FALSE(DeleteAndRenameFile(L"\\My Documents\\missing", L"\\My Documents\\b"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileSemanticsTest, FoldersAndAttributes) {
  EXPECT_EQ(GetFileAttributesW(L"\\Windows"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesW(L"\\Windows\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(CreateDirectoryW(L"\\Temp", nullptr));
  EXPECT_FALSE(CreateDirectoryW(L"\\Temp", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  testsupport::WriteBytes(Host("Temp/x"), "x");
  EXPECT_EQ(GetFileAttributesW(L"\\temp\\X"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(RemoveDirectoryW(L"\\Temp"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(DeleteFileW(L"\\Temp\\x"));
  EXPECT_TRUE(RemoveDirectoryW(L"\\Temp"));
  EXPECT_FALSE(fs::exists(Host("Temp")));
}

TEST_F(FileSemanticsTest, FindsNamesByPatternWithoutRegardToCase) {
  for (const char* name : {"Quenmora.dat", "Quenmora.dat.new", "Quenmora.dat.~0123ABCD.tmp",
                           "quenmora.DAT.~FFFF0000.TMP", "other.txt", "noext"}) {
    testsupport::WriteBytes(Host(std::string("My Documents/") + name), "12345");
  }
  fs::create_directory(Host("My Documents/Quenmora.dat.~00000000.tmp"));
  struct Case {
    const wchar_t* pattern;
    std::vector<std::wstring> names;  // empty: none found
    DWORD error;                      // of a search that finds none
  };
  const Case cases[] = {
      {L"\\My Documents\\Quenmora.dat.~*.tmp",
       {L"Quenmora.dat.~00000000.tmp", L"Quenmora.dat.~0123ABCD.tmp",
        L"quenmora.DAT.~FFFF0000.TMP"},
       0},
      {L"\\my documents\\?UENMORA.DAT", {L"Quenmora.dat"}, 0},
      {L"\\My Documents\\*.txt", {L"other.txt"}, 0},
      {L"\\My Documents\\*.*",
       {L"Quenmora.dat", L"Quenmora.dat.new", L"Quenmora.dat.~00000000.tmp",
        L"Quenmora.dat.~0123ABCD.tmp", L"noext", L"other.txt", L"quenmora.DAT.~FFFF0000.TMP"},
       0},
      {L"\\My Documents\\*e*t", {L"Quenmora.dat", L"noext", L"other.txt"}, 0},
      {L"\\My Documents\\none*", {}, ERROR_FILE_NOT_FOUND},
      {L"\\My Documents\\", {}, ERROR_FILE_NOT_FOUND},
      {L"\\Missing\\*", {}, ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << fs::path(c.pattern).string());
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileW(c.pattern, &data);
    if (c.names.empty()) {
      EXPECT_EQ(find, INVALID_HANDLE_VALUE);
      EXPECT_EQ(GetLastError(), c.error);
      continue;
    }
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::wstring> names;
    do {
      names.emplace_back(data.cFileName);
      const bool folder = names.back() == L"Quenmora.dat.~00000000.tmp";
      EXPECT_EQ(data.dwFileAttributes, folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL);
      EXPECT_EQ(data.nFileSizeLow, folder ? 0u : 5u);
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(names, c.names);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
}

TEST_F(FileSemanticsTest, RemovedFolderStaysRemovedAndSavesIntoItFail) {
  cedev::DeviceRoot();
  fs::remove_all(Host("My Documents"));
  EXPECT_EQ(Open(kFile, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(fs::exists(Host("My Documents")));
}

}  // namespace
