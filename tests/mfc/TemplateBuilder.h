// Dialog templates in memory for the framework's tests, in the binary layout that resources
// hold: a DLGTEMPLATE, its menu, class and title, then each item DWORD-aligned.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace mfctest {

enum class ItemClass : WORD {
  button = 0x0080,
  edit = 0x0081,
  staticText = 0x0082,
  listBox = 0x0083
};

class TemplateBuilder {
 public:
  TemplateBuilder(DWORD style, const std::wstring& title, short cx, short cy) {
    Put32(style);
    Put32(0);
    countAt_ = words_.size();
    words_.push_back(0);
    words_.push_back(0);
    words_.push_back(0);
    words_.push_back(static_cast<WORD>(cx));
    words_.push_back(static_cast<WORD>(cy));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the dialog class
    PutText(title);
  }

  TemplateBuilder& Item(ItemClass cls, WORD id, DWORD style, const std::wstring& text, short x,
                        short y, short cx, short cy) {
    if (words_.size() % 2 != 0) words_.push_back(0);
    Put32(style | WS_CHILD | WS_VISIBLE);
    Put32(0);
    words_.push_back(static_cast<WORD>(x));
    words_.push_back(static_cast<WORD>(y));
    words_.push_back(static_cast<WORD>(cx));
    words_.push_back(static_cast<WORD>(cy));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(static_cast<WORD>(cls));
    PutText(text);
    words_.push_back(0);  // no creation data
    ++words_[countAt_];
    return *this;
  }

  // An item whose class is given by name, as for the common controls.
  TemplateBuilder& Item(const std::wstring& cls, WORD id, DWORD style, short x, short y, short cx,
                        short cy) {
    if (words_.size() % 2 != 0) words_.push_back(0);
    Put32(style | WS_CHILD | WS_VISIBLE);
    Put32(0);
    words_.push_back(static_cast<WORD>(x));
    words_.push_back(static_cast<WORD>(y));
    words_.push_back(static_cast<WORD>(cx));
    words_.push_back(static_cast<WORD>(cy));
    words_.push_back(id);
    PutText(cls);
    PutText(L"");
    words_.push_back(0);
    ++words_[countAt_];
    return *this;
  }

  LPCDLGTEMPLATE Build() {
    aligned_.assign((words_.size() + 1) / 2, 0);
    for (size_t i = 0; i < words_.size(); ++i) {
      aligned_[i / 2] |= static_cast<DWORD>(words_[i]) << (16 * (i % 2));
    }
    return reinterpret_cast<LPCDLGTEMPLATE>(aligned_.data());
  }

 private:
  void Put32(DWORD v) {
    words_.push_back(static_cast<WORD>(v & 0xffff));
    words_.push_back(static_cast<WORD>(v >> 16));
  }
  void PutText(const std::wstring& text) {
    for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }

  std::vector<WORD> words_;
  size_t countAt_ = 0;
  std::vector<DWORD> aligned_;
};

}  // namespace mfctest
