// The records of a store by handle. They are kept in one vector in handle order, so that a
// store is read into one block, looked up by a binary search and walked in order. A removal
// marks its slot free (its handle stays, to keep the order); the free slots are closed up once
// they outnumber the records, so a removal costs the same whatever the store's size, and so
// does a registration, which goes at the end (handles are given in rising order until they
// wrap).
#pragma once

#include <cstddef>
#include <iterator>
#include <vector>

#include "NotificationRecord.h"

namespace cedev::notify {

class RecordTable {
  struct Slot {
    DWORD handle = 0;
    bool live = false;
    NotificationRecord record;
  };
  using Slots = std::vector<Slot>;

 public:
  // Walks the records in handle order, passing over free slots.
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = NotificationRecord;
    using difference_type = std::ptrdiff_t;
    using pointer = const NotificationRecord*;
    using reference = const NotificationRecord&;

    const_iterator() = default;
    reference operator*() const { return at_->record; }
    pointer operator->() const { return &at_->record; }
    const_iterator& operator++() {
      ++at_;
      Skip();
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++*this;
      return before;
    }
    friend bool operator==(const const_iterator&, const const_iterator&) = default;

   private:
    friend class RecordTable;
    const_iterator(Slots::const_iterator at, Slots::const_iterator end) : at_(at), end_(end) {
      Skip();
    }
    void Skip() {
      while (at_ != end_ && !at_->live) ++at_;
    }
    Slots::const_iterator at_, end_;
  };

  const_iterator begin() const { return {slots_.begin(), slots_.end()}; }
  const_iterator end() const { return {slots_.end(), slots_.end()}; }
  // The first record whose handle is `handle` or above.
  const_iterator LowerBound(DWORD handle) const;

  std::size_t size() const { return live_; }
  bool empty() const { return live_ == 0; }
  // The highest handle kept; 0 when there is none.
  DWORD LastHandle() const;

  // The record with that handle, or null.
  const NotificationRecord* Find(DWORD handle) const;
  // Keeps `record` under its handle, in place of one that had it.
  NotificationRecord& Put(NotificationRecord record);
  // Removes the record with that handle; false when there is none.
  bool Erase(DWORD handle);
  // Room for `count` records without moving them.
  void Reserve(std::size_t count) { slots_.reserve(count); }

  // For a reader of many records: a record to fill in place (no record is built and then moved),
  // then kept under its handle by KeepFilled, or left for the next one to fill.
  NotificationRecord& ToFill();
  void KeepFilled();
  // Gives up the record to fill, if there is one, and what is left of the recycled slots.
  void EndFilling();
  // Takes the slots of a table no longer needed, for ToFill to fill again: their strings keep
  // the room they had, so a store read again costs no allocation a record.
  void Recycle(RecordTable&& old);

  friend bool operator==(const RecordTable& a, const RecordTable& b);

 private:
  Slots::iterator Seek(DWORD handle);
  Slots::const_iterator Seek(DWORD handle) const;

  Slots slots_;
  std::size_t live_ = 0;
  Slots spare_;  // recycled slots, taken by ToFill from `nextSpare_` on
  std::size_t nextSpare_ = 0;
  bool filling_ = false;  // the last slot is the one ToFill gave
};

}  // namespace cedev::notify
