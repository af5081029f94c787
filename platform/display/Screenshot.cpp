#include "Screenshot.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "Font4x8.h"
#include "windows.h"

namespace cedev {

namespace {

struct Canvas {
  std::vector<unsigned char> rgb = std::vector<unsigned char>(kPictureWidth * kPictureHeight * 3);
  void Set(int x, int y, COLORREF c) {
    unsigned char* p = &rgb[static_cast<size_t>((y * kPictureWidth + x) * 3)];
    p[0] = static_cast<unsigned char>(c & 0xFF);
    p[1] = static_cast<unsigned char>((c >> 8) & 0xFF);
    p[2] = static_cast<unsigned char>((c >> 16) & 0xFF);
  }
  void Invert(int x, int y) {
    unsigned char* p = &rgb[static_cast<size_t>((y * kPictureWidth + x) * 3)];
    for (int i = 0; i < 3; ++i) p[i] = static_cast<unsigned char>(255 - p[i]);
  }
};

bool Focused(const std::vector<ScreenCell>& cells, int col, int row) {
  if (col < 0 || row < 0 || col >= kScreenColumns || row >= kScreenRows) return false;
  return (cells[static_cast<size_t>(row * kScreenColumns + col)].marks & kMarkFocus) != 0;
}

wchar_t CharAt(const std::vector<ScreenCell>& cells, int col, int row) {
  if (col < 0 || row < 0 || col >= kScreenColumns || row >= kScreenRows) return 0;
  return cells[static_cast<size_t>(row * kScreenColumns + col)].ch;
}

// A '+' where frame lines meet is drawn as their corner or joint: its arms reach only towards
// the lines beside it ('-' left and right, '|' above and below); one with no line beside it is
// the plus of the font.
bool PixelOf(const std::vector<ScreenCell>& cells, int col, int row, int x, int y) {
  const wchar_t ch = CharAt(cells, col, row);
  if (ch != L'+') return ch != 0 && GlyphPixel(ch, x, y);
  auto joins = [&](int dc, int dr, wchar_t line) {
    const wchar_t next = CharAt(cells, col + dc, row + dr);
    return next == line || next == L'+';
  };
  const bool left = joins(-1, 0, L'-');
  const bool right = joins(1, 0, L'-');
  const bool up = joins(0, -1, L'|');
  const bool down = joins(0, 1, L'|');
  if (!left && !right && !up && !down) return GlyphPixel(ch, x, y);
  constexpr int kMiddleX = 1;  // where '|' and '-' run through a cell
  constexpr int kMiddleY = 3;
  return (y == kMiddleY && ((left && x <= kMiddleX) || (right && x >= kMiddleX))) ||
         (x == kMiddleX && ((up && y <= kMiddleY) || (down && y >= kMiddleY)));
}

}  // namespace

std::vector<unsigned char> RenderScreen(const std::vector<ScreenCell>& cells) {
  Canvas canvas;
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  for (int row = 0; row < kScreenRows; ++row) {
    for (int col = 0; col < kScreenColumns; ++col) {
      const ScreenCell& cell = cells[static_cast<size_t>(row * kScreenColumns + col)];
      const int x0 = col * kGlyphWidth;
      const int y0 = row * kGlyphHeight;
      for (int y = 0; y < kGlyphHeight; ++y) {
        for (int x = 0; x < kGlyphWidth; ++x) {
          const bool lit = PixelOf(cells, col, row, x, y);
          COLORREF colour = lit ? cell.text : cell.back;
          if ((cell.marks & kMarkBorderTop) && y == 0) colour = frame;
          if ((cell.marks & kMarkBorderBottom) && y == kGlyphHeight - 1) colour = frame;
          if ((cell.marks & kMarkBorderLeft) && x == 0) colour = frame;
          if ((cell.marks & kMarkBorderRight) && x == kGlyphWidth - 1) colour = frame;
          canvas.Set(x0 + x, y0 + y, colour);
        }
      }
      if (cell.marks & kMarkCaret) {
        for (int y = 0; y < kGlyphHeight; ++y) canvas.Invert(x0, y0 + y);
      }
      if (cell.marks & kMarkFocus) {
        // The dotted rectangle runs round the focused cells, on every other pixel.
        for (int y = 0; y < kGlyphHeight; ++y) {
          for (int x = 0; x < kGlyphWidth; ++x) {
            const bool edge = (y == 0 && !Focused(cells, col, row - 1)) ||
                              (y == kGlyphHeight - 1 && !Focused(cells, col, row + 1)) ||
                              (x == 0 && !Focused(cells, col - 1, row)) ||
                              (x == kGlyphWidth - 1 && !Focused(cells, col + 1, row));
            if (edge && (x0 + x + y0 + y) % 2 == 0) canvas.Invert(x0 + x, y0 + y);
          }
        }
      }
    }
  }
  return std::move(canvas.rgb);
}

bool WriteScreenshot(const std::string& path, std::string& why) {
  if (path.empty()) {
    why = "no file name for the screenshot";
    return false;
  }
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    why = "cannot write the screenshot to \"" + path + "\": it is not a plain file";
    return false;
  }
  WaitForPaints(std::chrono::milliseconds(2000));
  const std::vector<unsigned char> pixels = RenderScreen(ScreenCells());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kPictureWidth;
  image.height = kPictureHeight;
  image.format = PNG_FORMAT_RGB;
  // A file of its own beside the picture (mkstemp makes it new), renamed over it once whole.
  std::string partial = path + ".XXXXXX";
  const int fd = mkstemp(partial.data());
  if (fd < 0) {
    why = "cannot write the screenshot to \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  fchmod(fd, 0644);  // a picture to share, not a private file as mkstemp makes it
  FILE* out = fdopen(fd, "wb");
  const bool written = out && png_image_write_to_stdio(&image, out, 0, pixels.data(),
                                                       kPictureWidth * 3, nullptr) != 0;
  const std::string failure = written ? std::string()
                              : out   ? std::string(image.message)
                                      : std::strerror(errno);
  png_image_free(&image);
  const bool closed = out ? std::fclose(out) == 0 : close(fd) == 0;
  if (!written || !closed) {
    why = "cannot write the screenshot to \"" + path +
          "\": " + (written ? std::strerror(errno) : failure);
    std::remove(partial.c_str());
    return false;
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    why = "cannot write the screenshot to \"" + path + "\": " + std::strerror(errno);
    std::remove(partial.c_str());
    return false;
  }
  return true;
}

}  // namespace cedev
