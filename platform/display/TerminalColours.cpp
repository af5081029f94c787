#include "TerminalColours.h"

#include <array>
#include <climits>

namespace cedev {

namespace {

struct Rgb {
  int r, g, b;
};

Rgb RgbOf(COLORREF c) {
  return Rgb{static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
             static_cast<int>((c >> 16) & 0xFF)};
}

constexpr std::array<Rgb, 16> kBasic = {{{0, 0, 0},
                                         {205, 0, 0},
                                         {0, 205, 0},
                                         {205, 205, 0},
                                         {0, 0, 238},
                                         {205, 0, 205},
                                         {0, 205, 205},
                                         {229, 229, 229},
                                         {127, 127, 127},
                                         {255, 0, 0},
                                         {0, 255, 0},
                                         {255, 255, 0},
                                         {92, 92, 255},
                                         {255, 0, 255},
                                         {0, 255, 255},
                                         {255, 255, 255}}};

Rgb Xterm256(int index) {
  if (index < 232) {
    static constexpr int kLevels[6] = {0, 95, 135, 175, 215, 255};
    const int i = index - 16;
    return Rgb{kLevels[i / 36], kLevels[i / 6 % 6], kLevels[i % 6]};
  }
  const int grey = 8 + (index - 232) * 10;
  return Rgb{grey, grey, grey};
}

int Distance(Rgb a, Rgb b) {
  return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

}  // namespace

int NearestTerminalColour(COLORREF colour, int colours) {
  if (colours < 8) return -1;
  const Rgb want = RgbOf(colour);
  const int first = colours >= 256 ? 16 : 0;
  const int last = colours >= 256 ? 255 : (colours >= 16 ? 15 : 7);
  int best = first;
  int bestDistance = INT_MAX;
  for (int i = first; i <= last; ++i) {
    const int d = Distance(want, i >= 16 ? Xterm256(i) : kBasic[static_cast<size_t>(i)]);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

bool IsDark(COLORREF colour) {
  const Rgb c = RgbOf(colour);
  return c.r * 299 + c.g * 587 + c.b * 114 <
         150 * 1000;  // where white text reads better than black
}

}  // namespace cedev
