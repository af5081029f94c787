#include "CaseMap.h"

namespace cekernel {
namespace {

bool In(wchar_t c, wchar_t first, wchar_t last) { return c >= first && c <= last; }

// Latin Extended-A pairs letters as (capital, small); the pairing flips parity at U+0139 and
// again at U+014A, and U+0130/U+0131 (dotted capital I, dotless small i) are no pair.
bool IsExtendedACapital(wchar_t c) {
  if (In(c, 0x0100, 0x012F) || In(c, 0x0132, 0x0137) || In(c, 0x014A, 0x0177)) return c % 2 == 0;
  if (In(c, 0x0139, 0x0148) || In(c, 0x0179, 0x017E)) return c % 2 == 1;
  return false;
}

bool IsExtendedASmall(wchar_t c) {
  if (In(c, 0x0101, 0x012F) || In(c, 0x0133, 0x0137) || In(c, 0x014B, 0x0177)) return c % 2 == 1;
  if (In(c, 0x013A, 0x0148) || In(c, 0x017A, 0x017E)) return c % 2 == 0;
  return false;
}

}  // namespace

wchar_t ToLowerChar(wchar_t c) {
  if (In(c, L'A', L'Z')) return static_cast<wchar_t>(c + 32);
  if (In(c, 0x00C0, 0x00DE) && c != 0x00D7) return static_cast<wchar_t>(c + 32);
  if (IsExtendedACapital(c)) return static_cast<wchar_t>(c + 1);
  if (c == 0x0178) return 0x00FF;
  if (In(c, 0x0391, 0x03AB) && c != 0x03A2) return static_cast<wchar_t>(c + 32);
  if (In(c, 0x0410, 0x042F)) return static_cast<wchar_t>(c + 32);
  if (In(c, 0x0400, 0x040F)) return static_cast<wchar_t>(c + 80);
  return c;
}

wchar_t ToUpperChar(wchar_t c) {
  if (In(c, L'a', L'z')) return static_cast<wchar_t>(c - 32);
  if (In(c, 0x00E0, 0x00FE) && c != 0x00F7) return static_cast<wchar_t>(c - 32);
  if (c == 0x00FF) return 0x0178;
  if (IsExtendedASmall(c)) return static_cast<wchar_t>(c - 1);
  if (c == 0x03C2) return 0x03A3;  // final sigma
  if (In(c, 0x03B1, 0x03CB)) return static_cast<wchar_t>(c - 32);
  if (In(c, 0x0430, 0x044F)) return static_cast<wchar_t>(c - 32);
  if (In(c, 0x0450, 0x045F)) return static_cast<wchar_t>(c - 80);
  return c;
}

}  // namespace cekernel
