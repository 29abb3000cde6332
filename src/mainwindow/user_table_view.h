#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace wf {

inline constexpr int kUserTableColumnCount = 37;
extern const std::array<std::string_view, kUserTableColumnCount> kUserTableColumnNames;
bool UserColumnRightAligned(int column0);

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
  void Clear() { rows_.clear(); }
  int SortKey() const { return sort_key_; }
  bool Descending() const { return descending_; }
  void SetSort(int key, bool descending) {
    sort_key_ = key;
    descending_ = descending;
  }

 private:
  std::string name_;
  std::vector<Row> rows_;
  int sort_key_ = 0;
  bool descending_ = false;
};

}  // namespace wf
