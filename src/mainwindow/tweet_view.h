#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tweettable/skein_data.h"

namespace wf {

// The tweet table as the window shows it (OutTable): rows of sixteen cell texts in display
// order, column 1 as stored and columns 2..16 padded for text sorting, each row either from a
// retrieval or from a file (shown dimmed). The view's contents are what a save writes.
class TweetView {
 public:
  static constexpr int kColumns = kTweetColumnCount;

  struct Row {
    std::string cells;  // the sixteen cells joined by TAB
    bool ghosted = false;
  };

  std::int32_t RowCount() const { return static_cast<std::int32_t>(rows_.size()); }
  // Cell of a 0-based row in display order, column 1..16.
  std::string_view Cell(std::int32_t row, int column) const;
  // Starts bringing a row's first cells into the cache (nothing for a row out of range).
  void PrefetchRow(std::int32_t row) const {
    if (row < 0 || row >= RowCount()) return;
    const char* cells = rows_[static_cast<std::size_t>(row)].cells.data();
    __builtin_prefetch(cells);
    __builtin_prefetch(cells + 64);
  }
  bool Ghosted(std::int32_t row) const { return rows_.at(static_cast<std::size_t>(row)).ghosted; }

  // Adds a row from stored values: column 1 unchanged, columns 2..16 through PadNumeric(v, 7).
  void AddRow(const std::array<std::string_view, kColumns>& values, bool ghosted);
  void RemoveRow(std::int32_t row);
  // Keeps the rows for which keep(row index) is true, in order.
  template <typename Pred>
  void RemoveRowsIf(Pred remove) {
    std::vector<Row> kept;
    kept.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (!remove(static_cast<std::int32_t>(i))) kept.push_back(std::move(rows_[i]));
    }
    rows_ = std::move(kept);
  }
  void Clear() { rows_.clear(); }
  void Reserve(std::size_t rows) { rows_.reserve(rows); }
  void SetCell(std::int32_t row, int column, std::string_view text);

  // Sorting: while sorted, rows stay in order of the sort key's cell text, ascending unless
  // Descending; the DateTime column (key 0) orders by time in any of its three forms, with
  // cells that hold no date after the dates.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  int SortKey() const { return sort_key_; }  // 0-based column
  bool Descending() const { return descending_; }
  // Sorts ascending by `key`.
  void SetSortKey(int key);
  void SetSort(int key, bool descending);
  // A click on a column header: the sort column again, in a sorted view, reverses the order;
  // any other column becomes the key, ascending.
  void ColumnClick(int key);

  // Column widths in twips (1/1440 inch), as the preferences file keeps them.
  const std::array<double, kColumns>& Widths() const { return widths_; }
  void SetWidth(int column0, double twips) {
    widths_.at(static_cast<std::size_t>(column0)) = twips;
  }

 private:
  void Sort();
  void SortByText(int column);
  void SortByTime();
  // Three-way comparison of two cells of the sort column, ascending.
  int CompareKeys(std::string_view a, std::string_view b) const;

  std::vector<Row> rows_;
  bool sorted_ = false;
  int sort_key_ = 0;
  bool descending_ = false;
  std::array<double, kColumns> widths_ = {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000,
                                          1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000};
};

// Columns shown right-aligned in the tweet table.
bool TweetColumnRightAligned(int column0);

}  // namespace wf
