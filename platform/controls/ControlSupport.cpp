#include "ControlSupport.h"

#include <algorithm>

#include "DeviceScreen.h"

namespace cedev {

void NotifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (parent == nullptr) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(IdOf(control), code),
               reinterpret_cast<LPARAM>(control));
}

std::wstring WindowTextOf(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  int copied = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

int ColumnsOf(HWND hwnd) { return static_cast<int>(WindowCells(hwnd).cx); }

int RowsOf(HWND hwnd) { return static_cast<int>(WindowCells(hwnd).cy); }

Painter::Painter(HWND hwnd, int background, int text) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {
  GetClientRect(hwnd, &client_);
  FillRect(dc_, &client_, GetSysColorBrush(background));
  SetTextColor(dc_, GetSysColor(text));
  SetBkMode(dc_, TRANSPARENT);
}

Painter::~Painter() { EndPaint(hwnd_, &ps_); }

void Painter::Text(int x, int y, std::wstring_view text) {
  int room = ColumnsOf(hwnd_) - x / kCellWidth;
  if (room <= 0 || text.empty()) return;
  std::wstring_view shown =
      text.substr(0, std::min<std::size_t>(text.size(), static_cast<std::size_t>(room)));
  ExtTextOutW(dc_, x, y, 0, nullptr, shown.data(), static_cast<UINT>(shown.size()), nullptr);
}

void Painter::Draw(std::wstring_view text, UINT format) {
  const std::wstring copy(text);
  RECT r = client_;
  DrawTextW(dc_, copy.c_str(), static_cast<int>(copy.size()), &r, format);
}

void Painter::Frame(const RECT& rect) {
  Rectangle(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

void Painter::Fill(const RECT& rect, int background, int text) {
  FillRect(dc_, &rect, GetSysColorBrush(background));
  SetTextColor(dc_, GetSysColor(text));
}

void Painter::TextColour(int text) { SetTextColor(dc_, GetSysColor(text)); }

void Painter::Focus(const RECT& rect) { DrawFocusRect(dc_, &rect); }

RECT CellsRect(int column, int row, int count) {
  return RECT{column * kCellWidth, row * kCellHeight, (column + count) * kCellWidth,
              (row + 1) * kCellHeight};
}

int CentredRow(int rows) { return std::max(0, (rows - 1) / 2); }

std::vector<std::wstring> WrapWords(std::wstring_view text, int columns) {
  std::vector<std::wstring> lines;
  if (columns <= 0) return lines;
  const std::size_t width = static_cast<std::size_t>(columns);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\n', start);
    std::wstring_view paragraph =
        text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    if (!paragraph.empty() && paragraph.back() == L'\r') paragraph.remove_suffix(1);
    std::wstring line;
    std::size_t i = 0;
    while (i < paragraph.size()) {
      std::size_t wordEnd = paragraph.find(L' ', i);
      if (wordEnd == std::wstring_view::npos) wordEnd = paragraph.size();
      std::wstring_view word = paragraph.substr(i, wordEnd - i);
      std::size_t needed = line.empty() ? word.size() : line.size() + 1 + word.size();
      if (needed <= width) {
        if (!line.empty()) line.push_back(L' ');
        line.append(word);
      } else {
        if (!line.empty()) lines.push_back(std::move(line));
        line.clear();
        while (word.size() > width) {
          lines.emplace_back(word.substr(0, width));
          word.remove_prefix(width);
        }
        line.assign(word);
      }
      i = wordEnd + 1;
    }
    lines.push_back(std::move(line));
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }
  return lines;
}

bool FontSlot::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_SETFONT) {
    font = reinterpret_cast<HFONT>(wParam);
    if (LOWORD(lParam) != 0) InvalidateRect(hwnd, nullptr, TRUE);
    result = 0;
    return true;
  }
  if (msg == WM_GETFONT) {
    result = reinterpret_cast<LRESULT>(font);
    return true;
  }
  return false;
}

}  // namespace cedev
