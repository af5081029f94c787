// ncurses is not thread-safe: every curses call happens on the display thread. The thread
// wakes for terminal input (or every 100 ms to look at the screen's generation count), so an
// idle display costs nothing measurable.
#include "TerminalDisplay.h"

#define NCURSES_WIDECHAR 1
#include <ncursesw/curses.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "InputScript.h"
#include "TerminalColours.h"

namespace cedev {

namespace {

constexpr int kNeededColumns = kScreenColumns;
constexpr int kNeededRows = kScreenRows;
constexpr int kHelpColumn = kScreenColumns + 2;
constexpr int kColumnsWithHelp = 80;

const wchar_t* const kHelp[] = {
    L"Quenmora",
    L"on the Pocket PC",
    L"",
    L"Mouse: tap",
    L"Keys go to the",
    L"focused window:",
    L" Tab  Shift+Tab",
    L" Enter  Esc",
    L" Space  arrows",
    L" Backspace, text",
    L"",
    L"Quit: F10 or",
    L"      Ctrl+Q",
};

std::mutex g_lock;  // guards g_thread across Start/Stop
std::thread g_thread;
std::atomic<bool> g_stop{false};
std::atomic<bool> g_running{false};

// Colour pairs made as the screen needs them, one for each pair of terminal colours. Started with
// the terminal, before the display thread; then only that thread uses it, as every curses call.
class ColourPairs {
 public:
  void Start() {
    if (has_colors() == FALSE || start_color() == ERR) return;
    use_default_colors();  // the help beside the screen keeps the terminal's own colours
    colours_ = COLORS;
  }
  bool Have() const { return colours_ >= 8; }
  // The pair of two device colours, or 0 (the terminal's own) when it has no colours (or no
  // pair is left).
  int Of(COLORREF text, COLORREF back) {
    if (!Have()) return 0;
    const int fg = NearestTerminalColour(text, colours_);
    const int bg = NearestTerminalColour(back, colours_);
    const int key = fg * 256 + bg;
    for (const auto& [k, pair] : made_) {
      if (k == key) return pair;
    }
    if (next_ >= COLOR_PAIRS || init_pair(static_cast<short>(next_), static_cast<short>(fg),
                                          static_cast<short>(bg)) == ERR) {
      return 0;
    }
    made_.emplace_back(key, next_);
    return next_++;
  }

 private:
  int colours_ = 0;
  int next_ = 1;
  std::vector<std::pair<int, int>> made_;
};

ColourPairs g_pairs;  // the display thread's

// A cell as the terminal shows it: its colours; the focus rectangle and the caret in reverse
// video; a window's bottom border underlined (a terminal cannot draw a one-pixel frame, so a
// field shows its extent by its colour and that line). Without colours, a dark background is
// shown in reverse, and the focus in bold as well, so it shows on a highlighted row too.
attr_t AttributesOf(const ScreenCell& cell) {
  attr_t attr = A_NORMAL;
  bool reverse = (cell.marks & (kMarkFocus | kMarkCaret)) != 0;
  if (!g_pairs.Have()) {
    reverse = reverse != IsDark(cell.back);
    if (cell.marks & kMarkFocus) attr |= A_BOLD;
  }
  if (reverse) attr |= A_REVERSE;
  if (cell.marks & kMarkBorderBottom) attr |= A_UNDERLINE;
  return attr;
}

void DrawScreen() {
  const std::vector<ScreenCell> cells = ScreenCells();
  for (int row = 0; row < kScreenRows; ++row) {
    move(row, 0);
    for (int col = 0; col < kScreenColumns; ++col) {
      const ScreenCell& cell = cells[static_cast<size_t>(row * kScreenColumns + col)];
      const wchar_t text[2] = {cell.ch == 0 ? L' ' : cell.ch, 0};
      cchar_t shown;
      setcchar(&shown, text, AttributesOf(cell),
               static_cast<short>(g_pairs.Of(cell.text, cell.back)), nullptr);
      add_wch(&shown);
    }
  }
}

void Draw() {
  erase();
  if (COLS < kNeededColumns || LINES < kNeededRows) {
    // Wrapped to the terminal's width, so it can be read however narrow that is; a size is
    // never broken across lines.
    auto size = [](int columns, int rows) {
      return std::to_string(columns) + "\x01x\x01" + std::to_string(rows);
    };
    const std::string why = "The device's screen needs a terminal of at least " +
                            size(kNeededColumns, kNeededRows) + " characters; this one is " +
                            size(COLS, LINES) + ". Make it bigger, or press F10 to quit.";
    std::istringstream words(why);
    std::string word;
    std::string line;
    int row = 0;
    auto put = [&] {
      std::replace(line.begin(), line.end(), '\x01', ' ');
      mvaddnstr(row++, 0, line.c_str(), COLS);
      line.clear();
    };
    while (words >> word) {
      if (!line.empty() && static_cast<int>(line.size() + 1 + word.size()) > COLS) put();
      line += (line.empty() ? "" : " ") + word;
    }
    put();
    refresh();
    return;
  }
  DrawScreen();
  if (COLS > kScreenColumns) {
    for (int row = 0; row < kScreenRows; ++row) mvaddch(row, kScreenColumns, '|');
  }
  if (COLS >= kColumnsWithHelp) {
    int row = 0;
    for (const wchar_t* text : kHelp) mvaddwstr(row++, kHelpColumn, text);
  }
  move(LINES - 1, COLS - 1);
  refresh();
}

std::optional<KeyStroke> NamedKey(const wchar_t* name) {
  KeyStroke key;
  if (name == nullptr || !KeyFromName(name, key)) return std::nullopt;
  return key;
}

TerminalInput KeyInput(const std::optional<KeyStroke>& key) {
  TerminalInput in;
  if (key) {
    in.kind = TerminalInput::Kind::key;
    in.key = *key;
  }
  return in;
}

// The key a character from the terminal stands for, when it is one the device has.
std::optional<KeyStroke> KeyOfCharacter(wint_t c) {
  switch (c) {
    case L'\t':
      return NamedKey(L"Tab");
    case L'\n':
    case L'\r':
      return NamedKey(L"Enter");
    case 127:
    case 8:
      return NamedKey(L"Backspace");
    case L' ':
      return NamedKey(L"Space");
    default:
      break;
  }
  if (c < 0x20) return std::nullopt;
  return KeyFromCharacter(static_cast<wchar_t>(c));
}

std::optional<KeyStroke> KeyOfCode(wint_t code) {
  switch (code) {
    case KEY_UP:
      return NamedKey(L"Up");
    case KEY_DOWN:
      return NamedKey(L"Down");
    case KEY_LEFT:
      return NamedKey(L"Left");
    case KEY_RIGHT:
      return NamedKey(L"Right");
    case KEY_BTAB:
      return NamedKey(L"Shift+Tab");
    case KEY_BACKSPACE:
      return NamedKey(L"Backspace");
    case KEY_ENTER:
      return NamedKey(L"Enter");
    default:
      return std::nullopt;
  }
}

// A press remembers its cell; the release makes the tap there, as a stylus tap is one press
// and one release at the same point.
struct PendingPress {
  bool down = false;
  int column = 0;
  int row = 0;
};

void TapAt(int column, int row) {
  if (const auto pixel = CellToPixel(column, row)) InjectTap(*pixel);
}

void Handle(const TerminalInput& in, PendingPress& press) {
  switch (in.kind) {
    case TerminalInput::Kind::key:
      InjectKey(in.key);
      break;
    case TerminalInput::Kind::tapDown:
      press = {true, in.column, in.row};
      break;
    case TerminalInput::Kind::tapUp:
      if (press.down) TapAt(press.column, press.row);
      press.down = false;
      break;
    case TerminalInput::Kind::quit:
      endwin();
      std::fflush(stdout);
      std::_Exit(0);
    case TerminalInput::Kind::resize:
    case TerminalInput::Kind::none:
      break;
  }
}

// After ESC: an SGR mouse report, a key sequence ncurses did not know, or Escape itself.
TerminalInput ReadEscape() {
  std::string body;
  nodelay(stdscr, TRUE);
  for (int i = 0; i < 32; ++i) {
    const int c = getch();
    if (c == ERR) break;
    body.push_back(static_cast<char>(c));
    if (body.size() >= 3 && body.compare(0, 2, "[<") == 0 && (c == 'M' || c == 'm')) break;
    if (body.size() == 2 && body[0] == '[' && body[1] != '<') break;
  }
  timeout(100);
  if (body.empty()) return KeyInput(NamedKey(L"Escape"));
  if (body.compare(0, 2, "[<") == 0) {
    if (auto mouse = DecodeSgrMouse(std::string_view(body).substr(2))) return *mouse;
    return {};
  }
  const wchar_t* name = nullptr;
  if (body == "[Z") name = L"Shift+Tab";
  if (body == "[A") name = L"Up";
  if (body == "[B") name = L"Down";
  if (body == "[C") name = L"Right";
  if (body == "[D") name = L"Left";
  return KeyInput(NamedKey(name));
}

TerminalInput ReadInput() {
  TerminalInput in;
  wint_t c = 0;
  const int got = get_wch(&c);
  if (got == ERR) return in;
  if (got == KEY_CODE_YES) {
    if (c == KEY_RESIZE) {
      in.kind = TerminalInput::Kind::resize;
    } else if (c == KEY_F(10)) {
      in.kind = TerminalInput::Kind::quit;
    } else if (c == KEY_MOUSE) {
      MEVENT event;
      if (getmouse(&event) == OK) {
        in.column = event.x;
        in.row = event.y;
        if (event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED))
          in.kind = TerminalInput::Kind::tapDown;
        if (event.bstate & BUTTON1_RELEASED) in.kind = TerminalInput::Kind::tapUp;
        if (event.bstate & BUTTON1_CLICKED) {
          // Some terminals report only the click: it is both halves of the tap.
          TapAt(event.x, event.y);
          in.kind = TerminalInput::Kind::none;
        }
      }
    } else {
      in = KeyInput(KeyOfCode(c));
    }
    return in;
  }
  if (c == 27) return ReadEscape();
  if (c == 17) {  // Ctrl+Q
    in.kind = TerminalInput::Kind::quit;
    return in;
  }
  return KeyInput(KeyOfCharacter(c));
}

void DisplayThread() {
  PendingPress press;
  unsigned long long drawn = DisplayGeneration() + 1;  // differs: draw at once
  bool redraw = true;
  while (!g_stop.load()) {
    const unsigned long long now = DisplayGeneration();
    if (redraw || now != drawn) {
      drawn = now;
      redraw = false;
      Draw();
    }
    const TerminalInput in = ReadInput();
    if (in.kind == TerminalInput::Kind::resize) redraw = true;
    Handle(in, press);
  }
}

}  // namespace

std::optional<TerminalInput> DecodeSgrMouse(std::string_view body) {
  // b ; x ; y then M (press) or m (release); x and y count from 1.
  if (body.empty()) return std::nullopt;
  const char final = body.back();
  if (final != 'M' && final != 'm') return std::nullopt;
  body.remove_suffix(1);
  long fields[3] = {0, 0, 0};
  int index = 0;
  bool any = false;
  for (char c : body) {
    if (c == ';') {
      if (!any || ++index > 2) return std::nullopt;
      any = false;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    fields[index] = fields[index] * 10 + (c - '0');
    if (fields[index] > 100000) return std::nullopt;
    any = true;
  }
  if (index != 2 || !any || fields[1] < 1 || fields[2] < 1) return std::nullopt;
  TerminalInput in;
  // Only the first button taps; motion reports (32 added) and wheel (64 added) do nothing.
  if (fields[0] != 0) return in;
  in.kind = final == 'M' ? TerminalInput::Kind::tapDown : TerminalInput::Kind::tapUp;
  in.column = static_cast<int>(fields[1] - 1);
  in.row = static_cast<int>(fields[2] - 1);
  return in;
}

std::optional<POINT> CellToPixel(int column, int row) {
  if (column < 0 || row < 0 || column >= kScreenColumns || row >= kScreenRows) return std::nullopt;
  return CellTapPoint(column, row);
}

bool StartTerminalDisplay(std::string& why) {
  std::lock_guard lk(g_lock);
  if (g_running.load()) return true;
  if (isatty(0) != 1 || isatty(1) != 1) {
    why = "standard input and output are not a terminal";
    return false;
  }
  std::setlocale(LC_ALL, "");
  if (initscr() == nullptr) {
    why = "ncurses cannot drive this terminal";
    return false;
  }
  raw();
  noecho();
  keypad(stdscr, TRUE);
  curs_set(0);
  g_pairs.Start();
  timeout(100);
  set_escdelay(25);
  mouseinterval(0);
  mousemask(BUTTON1_PRESSED | BUTTON1_RELEASED | BUTTON1_CLICKED, nullptr);
  // Ask for SGR reports as well: they carry any column, and tmux and xterm send them.
  std::fputs("\033[?1000h\033[?1006h", stdout);
  std::fflush(stdout);
  g_stop = false;
  g_running = true;
  g_thread = std::thread(DisplayThread);
  return true;
}

void StopTerminalDisplay() {
  std::lock_guard lk(g_lock);
  if (!g_running.load()) return;
  g_stop = true;
  if (g_thread.joinable()) g_thread.join();
  std::fputs("\033[?1006l\033[?1000l", stdout);
  endwin();
  g_running = false;
}

}  // namespace cedev
