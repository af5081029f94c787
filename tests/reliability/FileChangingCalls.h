// Which system calls change files under a folder: opens for writing, creating, truncating or
// appending; writes, truncations, space allocations and syncs; renames, removals, links and
// folders made or removed; file locks (flock, and fcntl's record locks). The kill-at-every-call
// tracer counts these calls of a traced process and kills it at a chosen one.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// One call at its entry, as ptrace reports it.
struct SystemCall {
  pid_t thread = 0;
  std::uint64_t number = 0;
  std::array<std::uint64_t, 6> args{};
};

class FileChangingCalls {
 public:
  explicit FileChangingCalls(const std::filesystem::path& folder);

  // "CALL<TAB>PATH" (the path relative to the folder) when the call changes a file under the
  // folder, or nothing. Reads paths from the thread's memory and descriptors from /proc.
  std::optional<std::string> Describe(const SystemCall& call) const;

 private:
  std::optional<std::string> Inside(const std::string& path) const;
  std::optional<std::string> PathArgument(const SystemCall& call, int pathArg,
                                          std::optional<int> dirArg) const;
  std::optional<std::string> Descriptor(const SystemCall& call, int fdArg) const;

  std::string folder_;  // canonical, without a trailing '/'
};
