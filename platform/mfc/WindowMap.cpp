#include "WindowMap.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace afx {
namespace {

std::mutex g_permanentLock;
std::unordered_map<HWND, CWnd*>& Permanent() {
  static std::unordered_map<HWND, CWnd*> map;  // guarded by g_permanentLock
  return map;
}

thread_local std::unordered_map<HWND, std::unique_ptr<CWnd>> t_temporary;
thread_local CurrentMessage t_current{nullptr, 0, 0, 0};

}  // namespace

CWnd* LookupPermanent(HWND hWnd) {
  std::lock_guard<std::mutex> lock(g_permanentLock);
  auto it = Permanent().find(hWnd);
  return it == Permanent().end() ? nullptr : it->second;
}

bool AddPermanent(HWND hWnd, CWnd* pWnd) {
  std::lock_guard<std::mutex> lock(g_permanentLock);
  return Permanent().emplace(hWnd, pWnd).second;
}

void RemovePermanent(HWND hWnd, const CWnd* pWnd) {
  std::lock_guard<std::mutex> lock(g_permanentLock);
  auto it = Permanent().find(hWnd);
  if (it != Permanent().end() && it->second == pWnd) Permanent().erase(it);
}

CWnd* Temporary(HWND hWnd) {
  std::unique_ptr<CWnd>& slot = t_temporary[hWnd];
  if (!slot) {
    slot = std::make_unique<CWnd>();
    slot->m_hWnd = hWnd;  // not attached: the window keeps its own procedure
  }
  return slot.get();
}

MessageScope::MessageScope(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    : saved_(t_current) {
  t_current = CurrentMessage{hWnd, message, wParam, lParam};
}

MessageScope::~MessageScope() { t_current = saved_; }

const CurrentMessage& Current() { return t_current; }

}  // namespace afx
