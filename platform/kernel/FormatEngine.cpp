// wsprintf's conversions. A directive is %[flags][width][.precision][size]type with the flags
// - (left-align), 0 (pad with zeros), # (0x/0X before hex digits) and blank (a blank before a
// non-negative signed number), in any order; the size h (short number, narrow text) or l/w
// (wide text). There is no floating point and no * width: a directive with a type wsprintf does
// not know prints that character as it stands, its flags and width dropped.
#include "FormatEngine.h"

#include <algorithm>
#include <climits>

namespace cekernel {
namespace {

// 0x80..0x9F of Windows-1252; the code page's other bytes are their own Unicode values. The
// five bytes 1252 leaves unassigned map to the control character of the same value.
constexpr wchar_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The text being built, with a budget of characters; what goes past the budget is dropped.
class Output {
 public:
  Output(std::wstring& out, std::size_t budget) : out_(out), budget_(budget) {}

  bool Full() const { return budget_ == 0; }
  void Put(wchar_t c) {
    if (budget_ == 0) return;
    out_ += c;
    --budget_;
  }
  void Repeat(wchar_t c, std::size_t n) {
    n = std::min(n, budget_);
    out_.append(n, c);
    budget_ -= n;
  }
  void Append(const wchar_t* s, std::size_t n) {
    n = std::min(n, budget_);
    out_.append(s, n);
    budget_ -= n;
  }

 private:
  std::wstring& out_;
  std::size_t budget_;
};

enum class Size { kDefault, kShort, kLong };

struct Directive {
  bool left = false;
  bool zero = false;
  bool alternate = false;
  bool blank = false;
  std::size_t width = 0;
  bool hasPrecision = false;
  std::size_t precision = 0;
  Size size = Size::kDefault;
};

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A decimal field of the directive; very large values saturate rather than wrap.
std::size_t ReadCount(const wchar_t*& p) {
  std::size_t n = 0;
  for (; IsDigit(*p); ++p) {
    n = n * 10 + static_cast<std::size_t>(*p - L'0');
    if (n > INT_MAX) n = INT_MAX;
  }
  return n;
}

const wchar_t* ParseDirective(const wchar_t* p, Directive& d) {
  for (;; ++p) {
    if (*p == L'-') {
      d.left = true;
    } else if (*p == L'0') {
      d.zero = true;
    } else if (*p == L'#') {
      d.alternate = true;
    } else if (*p == L' ') {
      d.blank = true;
    } else {
      break;
    }
  }
  d.width = ReadCount(p);
  if (*p == L'.') {
    ++p;
    d.hasPrecision = true;
    d.precision = ReadCount(p);
  }
  if (*p == L'h') {
    d.size = Size::kShort;
    ++p;
  } else if (*p == L'l' || *p == L'w') {
    d.size = Size::kLong;
    ++p;
  }
  return p;
}

// A text field: the body padded to the width, on the left unless left-aligned. wsprintf pads
// with zeros when asked, even for text.
template <typename Body>
void PutField(Output& out, const Directive& d, std::size_t length, Body body) {
  const std::size_t pad = d.width > length ? d.width - length : 0;
  if (!d.left) out.Repeat(d.zero ? L'0' : L' ', pad);
  body();
  if (d.left) out.Repeat(L' ', pad);
}

void PutWideText(Output& out, const Directive& d, const wchar_t* s) {
  if (s == nullptr) s = L"(null)";
  const std::size_t limit = d.hasPrecision ? d.precision : kUnbounded;
  std::size_t n = 0;
  while (n < limit && s[n] != 0) ++n;  // never reads past the precision
  PutField(out, d, n, [&] { out.Append(s, n); });
}

void PutNarrowText(Output& out, const Directive& d, const char* s) {
  if (s == nullptr) s = "(null)";
  const std::size_t limit = d.hasPrecision ? d.precision : kUnbounded;
  std::size_t n = 0;
  while (n < limit && s[n] != 0) ++n;
  PutField(out, d, n, [&] {
    for (std::size_t i = 0; i < n; ++i) out.Put(WidenAnsiChar(static_cast<unsigned char>(s[i])));
  });
}

void PutChar(Output& out, const Directive& d, wchar_t c) {
  PutField(out, d, 1, [&] { out.Put(c); });
}

// A number: sign or prefix, then at least precision digits, the whole padded to the width
// (with zeros between the sign or prefix and the digits when the 0 flag asks for it).
void PutNumber(Output& out, const Directive& d, unsigned long long magnitude, bool negative,
               bool isSigned, unsigned base, bool upper) {
  wchar_t digits[32];
  std::size_t n = 0;
  const wchar_t* alphabet = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  do {
    digits[n++] = alphabet[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);

  wchar_t lead[2];
  std::size_t leadLength = 0;
  if (negative) {
    lead[leadLength++] = L'-';
  } else if (isSigned && d.blank) {
    lead[leadLength++] = L' ';
  } else if (base == 16 && d.alternate) {
    // wsprintf writes the prefix for zero too.
    lead[leadLength++] = L'0';
    lead[leadLength++] = upper ? L'X' : L'x';
  }

  const std::size_t precisionZeros = d.precision > n ? d.precision - n : 0;
  const std::size_t length = leadLength + precisionZeros + n;
  std::size_t padZeros = 0;
  std::size_t padBlanks = 0;
  if (d.width > length) {
    if (d.zero && !d.left) {
      padZeros = d.width - length;
    } else {
      padBlanks = d.width - length;
    }
  }
  if (!d.left) out.Repeat(L' ', padBlanks);
  out.Append(lead, leadLength);
  out.Repeat(L'0', padZeros + precisionZeros);
  while (n > 0) out.Put(digits[--n]);
  if (d.left) out.Repeat(L' ', padBlanks);
}

}  // namespace

wchar_t WidenAnsiChar(unsigned char c) {
  return (c >= 0x80 && c <= 0x9F) ? kCp1252High[c - 0x80] : static_cast<wchar_t>(c);
}

void AppendFormatted(std::wstring& text, const wchar_t* format, va_list args,
                     std::size_t maxChars) {
  if (format == nullptr) return;
  va_list ap;
  va_copy(ap, args);
  Output out(text, maxChars);
  const wchar_t* p = format;
  while (*p != 0 && !out.Full()) {
    if (*p != L'%') {
      out.Put(*p++);
      continue;
    }
    ++p;
    if (*p == L'%') {
      out.Put(*p++);
      continue;
    }
    Directive d;
    p = ParseDirective(p, d);
    const wchar_t type = *p;
    if (type == 0) break;  // the format ends inside a directive: nothing is printed for it
    ++p;
    switch (type) {
      case L'c':
        if (d.size == Size::kShort) {
          PutChar(out, d, WidenAnsiChar(static_cast<unsigned char>(va_arg(ap, int))));
        } else {
          PutChar(out, d, static_cast<wchar_t>(va_arg(ap, int)));
        }
        break;
      case L'C':
        if (d.size == Size::kLong) {
          PutChar(out, d, static_cast<wchar_t>(va_arg(ap, int)));
        } else {
          PutChar(out, d, WidenAnsiChar(static_cast<unsigned char>(va_arg(ap, int))));
        }
        break;
      case L's':
        if (d.size == Size::kShort) {
          PutNarrowText(out, d, va_arg(ap, const char*));
        } else {
          PutWideText(out, d, va_arg(ap, const wchar_t*));
        }
        break;
      case L'S':
        if (d.size == Size::kLong) {
          PutWideText(out, d, va_arg(ap, const wchar_t*));
        } else {
          PutNarrowText(out, d, va_arg(ap, const char*));
        }
        break;
      case L'd':
      case L'i': {
        // l is the Windows LONG, 32 bits like int.
        int value = va_arg(ap, int);
        if (d.size == Size::kShort) value = static_cast<short>(value);
        const bool negative = value < 0;
        const unsigned long long magnitude =
            negative ? 0ull - static_cast<unsigned long long>(static_cast<long long>(value))
                     : static_cast<unsigned long long>(value);
        PutNumber(out, d, magnitude, negative, true, 10, false);
        break;
      }
      case L'u':
      case L'x':
      case L'X': {
        unsigned value = va_arg(ap, unsigned);
        if (d.size == Size::kShort) value = static_cast<unsigned short>(value);
        PutNumber(out, d, value, false, false, type == L'u' ? 10 : 16, type == L'X');
        break;
      }
      default:
        out.Put(type);
        break;
    }
  }
  va_end(ap);
}

}  // namespace cekernel
