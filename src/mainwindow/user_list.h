#pragma once

#include <string>
#include <vector>

namespace wf {

// The user list: screen names or user ids with tick boxes, and a current entry.
class UserList {
 public:
  struct Entry {
    std::string text;
    bool ticked = false;
  };

  const std::vector<Entry>& Entries() const { return entries_; }
  int Count() const { return static_cast<int>(entries_.size()); }
  int TickedCount() const {
    int n = 0;
    for (const auto& e : entries_) n += e.ticked ? 1 : 0;
    return n;
  }
  int Current() const { return current_; }
  void SetCurrent(int index) { current_ = index >= 0 && index < Count() ? index : -1; }
  void Add(std::string text, bool ticked = false) { entries_.push_back({std::move(text), ticked}); }
  void SetText(int index, std::string text) {
    entries_.at(static_cast<std::size_t>(index)).text = std::move(text);
  }
  void SetTicked(int index, bool ticked) {
    entries_.at(static_cast<std::size_t>(index)).ticked = ticked;
  }
  void RemoveAt(int index) {
    entries_.erase(entries_.begin() + index);
    if (current_ >= Count()) current_ = Count() - 1;
  }
  void Clear() {
    entries_.clear();
    current_ = -1;
    unsaved_ = false;
  }
  // Whether the entries are a retrieved list or hand edits that were never copied out: what
  // came from the clipboard or from the tweet table can be had again.
  bool Unsaved() const { return unsaved_ && !entries_.empty(); }
  void SetUnsaved(bool unsaved) { unsaved_ = unsaved; }
  const std::string& ToolTip() const { return tooltip_; }
  void SetToolTip(std::string tip) { tooltip_ = std::move(tip); }
  bool Bold() const { return bold_; }
  void SetBold(bool bold) { bold_ = bold; }

 private:
  std::vector<Entry> entries_;
  int current_ = -1;
  bool bold_ = false;
  bool unsaved_ = false;
  std::string tooltip_ =
      "Copy users here to get their timelines. Items can be either screen names or user ids but "
      "not both";
};

}  // namespace wf
