#include "mainwindow/history_list.h"

namespace wf {

void HistoryList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return;
  entries_.erase(entries_.begin() + index);
  if (selected_ == index) {
    selected_ = -1;
  } else if (selected_ > index) {
    --selected_;
  }
}

void HistoryList::RemoveDuplicates() {
  for (int i = 0; i + 1 < Count(); ++i) {
    for (int j = i + 1; j < Count();) {
      if (entries_[static_cast<std::size_t>(j)] == entries_[static_cast<std::size_t>(i)]) {
        RemoveAt(j);  // the same position is examined again
      } else {
        ++j;
      }
    }
  }
}

}  // namespace wf
