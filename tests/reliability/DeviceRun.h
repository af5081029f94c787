// A device of one test's own, run as a person and the notification service would run it: the
// device tool's commands and the program, each a child process bounded in time.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "Scratch.h"

struct Outcome {
  std::optional<int> status;  // nothing: it did not end in time and was killed
  std::string out, err;
};

// One item of the schedule file: days (bit 0 Sunday), time of day, mute.
struct FileItem {
  unsigned days, hour, minute, second, mute;
};

// The schedule file's bytes from its layout: tap point x, y (16 bits each), the event handle
// (32 bits), all little-endian, then five bytes an item.
std::string ScheduleFileBytes(unsigned x, unsigned y, unsigned eventHandle,
                              const std::vector<FileItem>& items);

std::vector<std::string> LinesOf(const std::string& text);
std::vector<std::string> ColumnsOf(const std::string& line, char separator = '\t');

class TestDevice {
 public:
  // Makes the device (cedevice init) under `scratch` with its clock frozen at `clock`.
  TestDevice(const testsupport::Scratch& scratch, const std::string& clock);

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path ScheduleFile() const { return root_ / "My Documents" / "Quenmora.dat"; }
  std::filesystem::path StoreFile() const { return root_ / ".device" / "notifications"; }

  Outcome Tool(const std::vector<std::string>& args,
               std::chrono::milliseconds limit = std::chrono::seconds(60)) const;
  // Standard output of a command that must succeed without a word on standard error.
  std::string ToolOut(const std::vector<std::string>& args) const;

  // The environment of a program run on this device: no display, `script` (text of input
  // commands) as its input when given.
  std::map<std::string, std::string> ProgramEnvironment(const std::string& script = {}) const;
  // Starts the program (or the device tool with `tool`) without waiting; output to files in
  // the scratch folder named after `name`.
  std::unique_ptr<testsupport::ChildProcess> Start(
      const std::string& name, const std::vector<std::string>& args, const std::string& script = {},
      bool tool = false, const std::map<std::string, std::string>& moreEnv = {}) const;
  std::string Output(const std::string& name) const;
  std::string Errors(const std::string& name) const;

  // The store as `cedevice notifications` lists it: checked whole (exit 0, nothing on standard
  // error, five columns a line).
  std::vector<std::vector<std::string>> Notifications() const;

 private:
  std::filesystem::path dir_, root_;
  mutable int serial_ = 0;
};
