#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wf {

inline constexpr int kUserTableColumnCount = 37;
extern const std::array<std::string_view, kUserTableColumnCount> kUserTableColumnNames;
bool UserColumnRightAligned(int column0);

// 0-based indexes of the user table columns that the commands read or write by position.
namespace user_col {
inline constexpr int kId = 0;
inline constexpr int kScreenName = 1;
inline constexpr int kFFRatio = 20;
inline constexpr int kTwtSamp = 22;   // Pro_TwtSamp
inline constexpr int kBDayTwts = 23;  // Pro_BDayTwts
inline constexpr int kTLTwtDay = 27;
inline constexpr int kTLPctGeo = 30;
inline constexpr int kTwNoTwts = 31;
}  // namespace user_col

// One user table (UserTable(k)): rows of 37 cell texts with a tick box each, a name, and its
// sort column and order.
class UserTableView {
 public:
  struct Row {
    std::array<std::string, kUserTableColumnCount> cells;
    bool ticked = false;
    bool selected = false;  // the highlight, apart from the tick
  };

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::vector<Row>& Rows() const { return rows_; }
  std::vector<Row>& MutableRows() { return rows_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  int TickedCount() const;
  void Clear() { rows_.clear(); }
  int SortKey() const { return sort_key_; }
  bool Descending() const { return descending_; }
  // Whether the rows are kept in the order of the sort column (from the first header click).
  bool Sorted() const { return sorted_; }
  void SetSort(int key, bool descending) {
    sort_key_ = key;
    descending_ = descending;
  }
  // A click on a column header: the same column again reverses the order, another column
  // becomes the key with the order kept. The first click sorts ascending.
  void ColumnClick(int column0);
  // Orders the rows by the sort column's text when the table is sorted; rows with equal keys
  // keep their order.
  void Sort();

  // Whether the cells hold what no file has: they differ from those last saved or opened.
  // Ticks, highlights and row order are not kept in files and do not count; an empty table
  // has nothing to lose.
  bool Unsaved() const { return !rows_.empty() && ContentHash() != saved_hash_; }
  // The cells as they are now are in a file (just written or read).
  void MarkSaved() { saved_hash_ = ContentHash(); }

 private:
  // Independent of row order, so that sorting a saved table leaves it saved.
  std::uint64_t ContentHash() const;

  std::uint64_t saved_hash_ = 0;
  std::string name_;
  std::vector<Row> rows_;
  int sort_key_ = 0;
  bool descending_ = false;
  bool sorted_ = false;
};

}  // namespace wf
