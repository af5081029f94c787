// The terminal display as a person uses it: quenmora in a tmux pane of 80 x 40, read back with
// capture-pane, driven with keys and SGR mouse reports sent with send-keys. The test runs its
// own tmux server (a socket of its own), so it never touches anyone else's sessions.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Output {
  int status = -1;
  std::string text;
};

// Runs a program (no shell) and collects its standard output.
Output Run(const std::vector<std::string>& args) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  Output out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) out.text.append(buffer, static_cast<size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

bool HaveTmux() { return Run({"tmux", "-V"}).status == 0; }

class TmuxSession {
 public:
  TmuxSession() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    socket_ = "quenmora-test-" + std::to_string(getpid()) + "-" + std::to_string(stamp);
    base_ = fs::temp_directory_path() / socket_;
    fs::create_directories(base_);
    root_ = base_ / "device";  // made factory-new by cedevice init
    status_ = base_ / "exit-status";
  }
  ~TmuxSession() {
    Run({"tmux", "-L", socket_, "kill-server"});
    std::error_code ec;
    fs::remove_all(base_, ec);
  }

  const fs::path& root() const { return root_; }

  int Tool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"env", "CEDEVICE_ROOT=" + root_.string(), CEDEVICE_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv).status;
  }

  void Start() {
    const std::string command = "CEDEVICE_ROOT='" + root_.string() + "' TERM=xterm-256color '" +
                                QUENMORA_BINARY + "'; echo $? > '" + status_.string() + "'; sleep 60";
    ASSERT_EQ(Run({"tmux", "-L", socket_, "-f", "/dev/null", "new-session", "-d", "-x", "80", "-y", "40",
                   "-s", "q", command})
                  .status,
              0);
  }

  std::vector<std::string> Pane() {
    std::vector<std::string> lines;
    std::istringstream in(Run({"tmux", "-L", socket_, "capture-pane", "-p", "-t", "q"}).text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::string PaneText() {
    std::string all;
    for (const std::string& l : Pane()) all += l + "\n";
    return all;
  }

  // Waits (at most `seconds`) until the pane shows `text` on one line.
  bool WaitFor(const std::string& text, int seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (Find(text)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  // The 1-based terminal cell at the middle of the first place the pane shows `text`.
  std::optional<std::pair<int, int>> Find(const std::string& text) {
    const std::vector<std::string> lines = Pane();
    for (size_t row = 0; row < lines.size(); ++row) {
      const size_t at = lines[row].find(text);
      if (at != std::string::npos) {
        return std::pair<int, int>(static_cast<int>(at + text.size() / 2) + 1, static_cast<int>(row) + 1);
      }
    }
    return std::nullopt;
  }

  // A left click at a 1-based terminal cell, as a terminal reports it: press, then release.
  void Click(int column, int row) {
    const std::string at = std::to_string(column) + ";" + std::to_string(row);
    SendLiteral("\033[<0;" + at + "M");
    SendLiteral("\033[<0;" + at + "m");
  }

  bool ClickText(const std::string& text) {
    const auto cell = Find(text);
    if (!cell) return false;
    Click(cell->first, cell->second);
    return true;
  }

  void Key(const std::string& name) { Run({"tmux", "-L", socket_, "send-keys", "-t", "q", name}); }
  // Characters written to the terminal at once, as one read for the program.
  void Type(const std::string& text) { SendLiteral(text); }

  // The program's exit status once it has ended (waiting at most `seconds`).
  std::optional<int> ExitStatus(int seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      std::ifstream in(status_);
      int status = -1;
      if (in >> status) return status;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
  }

 private:
  void SendLiteral(const std::string& bytes) {
    Run({"tmux", "-L", socket_, "send-keys", "-t", "q", "-l", bytes});
  }

  std::string socket_;
  fs::path base_;
  fs::path root_;
  fs::path status_;
};

TEST(TerminalSession, TrainByClickingTheIconThenAddAnItemAndQuitWithEscape) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  TmuxSession s;
  ASSERT_EQ(s.Tool({"init", QUENMORA_BINARY}), 0);
  ASSERT_EQ(s.Tool({"clock", "freeze", "2026-12-07 10:00:00"}), 0);
  s.Start();

  // A first run trains the volume icon's position.
  ASSERT_TRUE(s.WaitFor("[ Train ]")) << s.PaneText();
  // The task bar's title follows once the dialog is the foreground window, a moment after it shows.
  EXPECT_TRUE(s.WaitFor(" Setup ")) << s.PaneText();
  EXPECT_TRUE(s.Find("Quit: F10")) << "the help beside the screen\n" << s.PaneText();
  ASSERT_TRUE(s.ClickText("[ Train ]"));
  // The volume icon: task-bar pixel (200, 10) is the cell in column 50, row 1 (0-based).
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  s.Click(51, 2);
  ASSERT_TRUE(s.WaitFor("complete")) << s.PaneText();
  // The cell's centre pixel is what the task bar received.
  ASSERT_TRUE(s.WaitFor("X: 202")) << s.PaneText();
  EXPECT_TRUE(s.Find("Y: 12")) << s.PaneText();
  ASSERT_TRUE(s.ClickText("[ok]"));

  // The main dialog; a new item with Monday ticked.
  ASSERT_TRUE(s.WaitFor("[New]")) << s.PaneText();
  ASSERT_TRUE(s.ClickText("[New]"));
  ASSERT_TRUE(s.WaitFor("Quenmora Item")) << s.PaneText();
  ASSERT_TRUE(s.WaitFor("[Mo]")) << s.PaneText();
  // Tab then Space in one burst (one write, as a paste or a quick hand sends them): the focus
  // moves from Su to Mo, and the Space presses Mo, the toggle that has the focus by then.
  s.Type("\t ");
  ASSERT_TRUE(s.WaitFor("*Mo*")) << "a pressed toggle\n" << s.PaneText();
  EXPECT_FALSE(s.Find("*Su*")) << "the Space pressed the toggle focused before the Tab\n" << s.PaneText();
  // (The focus is seen here too: on Mo after the Tab.)
  ASSERT_TRUE(s.ClickText("[ok]"));
  ASSERT_TRUE(s.WaitFor("Mute Off at 10:00:00 Mo")) << s.PaneText();

  // Escape cancels the main dialog and the program ends normally.
  s.Key("Escape");
  const std::optional<int> status = s.ExitStatus();
  ASSERT_TRUE(status.has_value()) << s.PaneText();
  EXPECT_EQ(*status, 0);
  // The training was saved at once; the cancelled dialog added nothing to the file.
  EXPECT_EQ(fs::file_size(s.root() / "My Documents" / "Quenmora.dat"), 8u);
}

}  // namespace
