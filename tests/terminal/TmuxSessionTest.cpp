// The terminal display as a person uses it: quenmora in a tmux pane of 80 x 40, read back with
// capture-pane, driven with keys and SGR mouse reports sent with send-keys. The test runs its
// own tmux server (a socket of its own), so it never touches anyone else's sessions.
#include <gtest/gtest.h>

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

#include "ChildProcess.h"
#include "Scratch.h"

namespace fs = std::filesystem;

namespace {

struct Output {
  int status = -1;
  std::string text;
};

// Runs a program (no shell; a bare name is looked for on PATH) and collects its standard output.
Output Run(const std::vector<std::string>& args) {
  testsupport::ChildProcess child(args);
  Output out;
  out.text = child.ReadOutput(std::string::npos, std::chrono::seconds(60));
  out.status = child.Wait(std::chrono::seconds(60)).value_or(-1);
  return out;
}

bool HaveTmux() { return Run({"tmux", "-V"}).status == 0; }

class TmuxSession {
 public:
  TmuxSession() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    socket_ = "quenmora-test-" + std::to_string(getpid()) + "-" + std::to_string(stamp);
    root_ = scratch_.root;  // made factory-new by cedevice init
    status_ = scratch_.dir / "exit-status";
  }
  ~TmuxSession() { Run({"tmux", "-L", socket_, "kill-server"}); }

  const fs::path& root() const { return root_; }

  int Tool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"env", "CEDEVICE_ROOT=" + root_.string(), CEDEVICE_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv).status;
  }

  void Start(int columns = 80, int rows = 40) {
    const std::string command = "CEDEVICE_ROOT='" + root_.string() + "' TERM=xterm-256color '" +
                                QUENMORA_BINARY + "'; echo $? > '" + status_.string() +
                                "'; sleep 60";
    ASSERT_EQ(Run({"tmux", "-L", socket_, "-f", "/dev/null", "new-session", "-d", "-x",
                   std::to_string(columns), "-y", std::to_string(rows), "-s", "q", command})
                  .status,
              0);
  }

  void Resize(int columns, int rows) {
    Run({"tmux", "-L", socket_, "resize-window", "-t", "q", "-x", std::to_string(columns), "-y",
         std::to_string(rows)});
  }

  // A schedule with the volume icon's place already learnt, so the main dialog comes first.
  void WriteTrainedSchedule() {
    const char header[8] = {static_cast<char>(200), 0, 10, 0, 0, 0, 0, 0};
    std::ofstream(root_ / "My Documents" / "Quenmora.dat", std::ios::binary)
        .write(header, sizeof header);
  }

  // The runs of text the pane shows in reverse video, read from capture-pane's escapes.
  std::vector<std::string> Reversed() {
    const std::string pane =
        Run({"tmux", "-L", socket_, "capture-pane", "-p", "-e", "-t", "q"}).text;
    std::vector<std::string> runs;
    bool reverse = false;
    std::string run;
    for (size_t i = 0; i < pane.size(); ++i) {
      if (pane[i] == '\033' && i + 1 < pane.size() && pane[i + 1] == '[') {
        const size_t end = pane.find('m', i);
        if (end == std::string::npos) break;
        std::istringstream params(pane.substr(i + 2, end - i - 2));
        bool was = reverse;
        std::string p;
        if (end == i + 2) reverse = false;
        while (std::getline(params, p, ';')) {
          if (p == "38" || p == "48") {  // a colour: 5;N or 2;R;G;B follows
            std::getline(params, p, ';');
            for (int skip = p == "5" ? 1 : 3; skip > 0; --skip) std::getline(params, p, ';');
          } else if (p == "7") {
            reverse = true;
          } else if (p == "0" || p == "27" || p.empty()) {
            reverse = false;
          }
        }
        if (was && !reverse && !run.empty()) runs.push_back(run), run.clear();
        i = end;
        continue;
      }
      if (pane[i] == '\n') {
        if (!run.empty()) runs.push_back(run), run.clear();
        continue;
      }
      if (reverse) run += pane[i];
    }
    if (!run.empty()) runs.push_back(run);
    return runs;
  }

  // Waits (at most 10 s) until the only text in reverse video is `text`.
  bool WaitForReversed(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (Reversed() == std::vector<std::string>{text}) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  std::string ReversedText() {
    std::string all;
    for (const std::string& r : Reversed()) all += "|" + r + "|\n";
    return all;
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
        return std::pair<int, int>(static_cast<int>(at + text.size() / 2) + 1,
                                   static_cast<int>(row) + 1);
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
  testsupport::Scratch scratch_{"tmux"};
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
  ASSERT_TRUE(s.WaitFor("X:  202")) << s.PaneText();
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
  EXPECT_FALSE(s.Find("*Su*")) << "the Space pressed the toggle focused before the Tab\n"
                               << s.PaneText();
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

// The focus is seen: the focused control is drawn in reverse video, and Tab moves it, through the
// list box (its focus on its first row, empty as it is) to the next button.
TEST(TerminalSession, TheFocusShowsInReverseVideoAndMovesWithTab) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  TmuxSession s;
  ASSERT_EQ(s.Tool({"init", QUENMORA_BINARY}), 0);
  s.WriteTrainedSchedule();
  s.Start();
  ASSERT_TRUE(s.WaitFor("[New]")) << s.PaneText();
  EXPECT_TRUE(s.WaitForReversed("[New]")) << s.ReversedText();
  s.Key("Tab");
  EXPECT_TRUE(s.WaitForReversed(std::string(58, ' '))) << "the empty list's first row\n"
                                                       << s.ReversedText();
  s.Key("Tab");
  EXPECT_TRUE(s.WaitForReversed("[Edit]")) << s.ReversedText();
  s.Key("Escape");
  const std::optional<int> status = s.ExitStatus();
  ASSERT_TRUE(status.has_value()) << s.PaneText();
  EXPECT_EQ(*status, 0);
}

// A terminal too small for the screen says how large it must be, readable however narrow; made
// large enough, it shows the screen.
TEST(TerminalSession, ATooSmallTerminalSaysHowLargeItMustBeAndAResizeRedraws) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  TmuxSession s;
  ASSERT_EQ(s.Tool({"init", QUENMORA_BINARY}), 0);
  s.WriteTrainedSchedule();
  s.Start(30, 20);
  ASSERT_TRUE(s.WaitFor("60 x 40")) << s.PaneText();
  EXPECT_TRUE(s.Find("30 x 20")) << s.PaneText();
  s.Resize(64, 40);  // the screen fits; the help beside it does not
  ASSERT_TRUE(s.WaitFor("[New]")) << s.PaneText();
  EXPECT_FALSE(s.Find("Quit: F10")) << s.PaneText();
  s.Key("Escape");
  EXPECT_TRUE(s.ExitStatus().has_value()) << s.PaneText();
}

}  // namespace
