// Fonts. A point size becomes a pixel height at the screen's resolution: the device's screen
// has 96 dots per inch (the Pocket PC's QVGA logical resolution), so 10 points are 13 pixels
// and 12 points 16.
#include <memory>
#include <unordered_map>

#include <afxwin.h>

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)

namespace {

constexpr int kScreenDpi = 96;

// A temporary object lets go of its font before it is destroyed: the font is someone else's.
struct TemporaryFont {
  CFont font;
  TemporaryFont() = default;
  TemporaryFont(const TemporaryFont&) = delete;
  TemporaryFont& operator=(const TemporaryFont&) = delete;
  ~TemporaryFont() { font.Detach(); }
};
thread_local std::unordered_map<HFONT, std::unique_ptr<TemporaryFont>> t_fonts;

int ScreenDpi() {
  HDC dc = ::GetDC(nullptr);
  int dpi = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc != nullptr) ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : kScreenDpi;
}

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
  if (hObject == nullptr || m_hObject != nullptr) return FALSE;
  m_hObject = hObject;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const {
  return ::GetObjectW(m_hObject, nCount, lpObject);
}

CFont* CFont::FromHandle(HFONT hFont) {
  if (hFont == nullptr) return nullptr;
  auto& slot = t_fonts[hFont];
  if (!slot) {
    slot = std::make_unique<TemporaryFont>();
    slot->font.m_hObject = hFont;
  }
  return &slot->font;
}

BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) {
  if (lpLogFont == nullptr) return FALSE;
  return Attach(::CreateFontIndirectW(lpLogFont));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC) {
  LOGFONT lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfHeight = nPointSize;
  if (lpszFaceName != nullptr) lstrcpynW(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
  return CreatePointFontIndirect(&lf, pDC);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* lpLogFont, CDC*) {
  if (lpLogFont == nullptr) return FALSE;
  LOGFONT lf = *lpLogFont;
  // Tenths of a point; 72 points to the inch; a negative height asks for the character height.
  const int tenths = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
  lf.lfHeight = -((tenths * ScreenDpi() + 360) / 720);
  return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONT* pLogFont) const {
  return GetObject(static_cast<int>(sizeof(LOGFONT)), pLogFont);
}
