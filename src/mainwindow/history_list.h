#pragma once

#include <string>
#include <vector>

namespace wf {

// A drop-down list of remembered sessions, most recent first, with its selected entry.
class HistoryList {
 public:
  const std::vector<std::string>& Entries() const { return entries_; }
  int Count() const { return static_cast<int>(entries_.size()); }
  int Selected() const { return selected_; }  // -1 when none
  std::string SelectedText() const {
    return selected_ < 0 ? std::string() : entries_[static_cast<std::size_t>(selected_)];
  }

  void Append(std::string entry) { entries_.push_back(std::move(entry)); }
  void InsertTop(std::string entry) {
    entries_.insert(entries_.begin(), std::move(entry));
    if (selected_ >= 0) ++selected_;
  }
  void SetSelected(int index) { selected_ = index >= 0 && index < Count() ? index : -1; }
  void RemoveAt(int index);
  // Removes every entry equal to an entry above it; the first (most recent) stays.
  void RemoveDuplicates();
  void Clear() {
    entries_.clear();
    selected_ = -1;
  }

 private:
  std::vector<std::string> entries_;
  int selected_ = -1;
};

}  // namespace wf
