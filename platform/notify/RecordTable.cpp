#include "RecordTable.h"

#include <algorithm>
#include <utility>

namespace cedev::notify {

RecordTable::Slots::iterator RecordTable::Seek(DWORD handle) {
  const auto end = filling_ ? slots_.end() - 1 : slots_.end();  // the slot being filled is apart
  // Handles are given in rising order: a new one, or the last, is found without a search.
  if (slots_.begin() == end || (end - 1)->handle < handle) return end;
  return std::lower_bound(slots_.begin(), end, handle,
                          [](const Slot& s, DWORD h) { return s.handle < h; });
}

NotificationRecord& RecordTable::ToFill() {
  if (!filling_) {
    if (nextSpare_ < spare_.size()) {
      slots_.push_back(std::move(spare_[nextSpare_++]));
    } else {
      slots_.emplace_back();
    }
    slots_.back().live = false;
    filling_ = true;
  }
  return slots_.back().record;
}

void RecordTable::Recycle(RecordTable&& old) {
  spare_ = std::move(old.slots_);
  nextSpare_ = 0;
  old.slots_.clear();
  old.live_ = 0;
}

void RecordTable::EndFilling() {
  spare_.clear();
  nextSpare_ = 0;
  if (!filling_) return;
  slots_.pop_back();
  filling_ = false;
}

void RecordTable::KeepFilled() {
  filling_ = false;
  Slot& filled = slots_.back();
  const DWORD handle = filled.record.handle;
  if (slots_.size() == 1 || slots_[slots_.size() - 2].handle < handle) {
    filled.handle = handle;  // in order: kept where it is
    filled.live = true;
    ++live_;
    return;
  }
  NotificationRecord record = std::move(filled.record);
  slots_.pop_back();
  Put(std::move(record));
}

RecordTable::Slots::const_iterator RecordTable::Seek(DWORD handle) const {
  return const_cast<RecordTable*>(this)->Seek(handle);
}

RecordTable::const_iterator RecordTable::LowerBound(DWORD handle) const {
  return {Seek(handle), slots_.end()};
}

DWORD RecordTable::LastHandle() const {
  for (auto it = slots_.rbegin(); it != slots_.rend(); ++it) {
    if (it->live) return it->handle;
  }
  return 0;
}

const NotificationRecord* RecordTable::Find(DWORD handle) const {
  const auto at = Seek(handle);
  return at != slots_.end() && at->handle == handle && at->live ? &at->record : nullptr;
}

NotificationRecord& RecordTable::Put(NotificationRecord record) {
  const DWORD handle = record.handle;
  EndFilling();  // the slot being filled is not the store's
  auto at = Seek(handle);
  if (at == slots_.end()) {
    slots_.push_back(Slot{handle, true, std::move(record)});
    ++live_;
    return slots_.back().record;
  }
  if (at->handle != handle) at = slots_.insert(at, Slot{handle, false, {}});
  if (!at->live) ++live_;
  at->live = true;
  at->record = std::move(record);
  return at->record;
}

bool RecordTable::Erase(DWORD handle) {
  EndFilling();
  const auto at = Seek(handle);
  if (at == slots_.end() || at->handle != handle || !at->live) return false;
  at->live = false;
  at->record = NotificationRecord{};  // its strings go now
  --live_;
  const std::size_t free = slots_.size() - live_;
  if (free > live_ && free >= 16) {
    slots_.erase(
        std::remove_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.live; }),
        slots_.end());
  }
  return true;
}

bool operator==(const RecordTable& a, const RecordTable& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace cedev::notify
