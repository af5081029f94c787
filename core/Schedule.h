// The whole schedule: the items in insertion order, the trained tap point and the handle of the
// last wake-up registration. The schedule owns its items.
#pragma once

#include <memory>
#include <vector>

#include <windows.h>

#include "ScheduleItem.h"
#include "TapPoint.h"

class Schedule {
 public:
  Schedule() = default;
  Schedule(const Schedule&) = delete;
  Schedule& operator=(const Schedule&) = delete;
  Schedule(Schedule&&) = default;
  Schedule& operator=(Schedule&&) = default;

  int Count() const { return static_cast<int>(items_.size()); }
  // 0 <= i < Count(); callers derive i from a list selection and check for none first.
  ScheduleItem& Item(int i) { return *items_[static_cast<size_t>(i)]; }
  const ScheduleItem& Item(int i) const { return *items_[static_cast<size_t>(i)]; }

  void Append(std::unique_ptr<ScheduleItem> item) { items_.push_back(std::move(item)); }
  // Destroys the item at i; the new one takes its position.
  void Replace(int i, std::unique_ptr<ScheduleItem> item) {
    items_[static_cast<size_t>(i)] = std::move(item);
  }
  // Destroys the item at i; later items move up one position.
  void Remove(int i) { items_.erase(items_.begin() + i); }

  // Reserves room for n items, so a large load does not reallocate as it appends.
  void Reserve(size_t n) { items_.reserve(n); }

  DWORD EventHandle = 0;
  TapPoint tapPoint;

 private:
  std::vector<std::unique_ptr<ScheduleItem>> items_;
};
