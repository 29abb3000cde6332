#include "table_models.h"

#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

#include "qt_text.h"
#include "tweettable/skein_data.h"

namespace wf::gui {
namespace {

constexpr int kTweetTextColumn = 2;        // 0-based "Tweet"
constexpr int kDescriptionColumn = 15;     // 0-based "UserDescription"
constexpr int kUserDescriptionColumn = 3;  // 0-based "Description" of the user tables

QVariant Alignment(bool right) {
  return QVariant::fromValue(
      Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
}

// Rows read from a file are shown dimmed so they stand apart from freshly retrieved ones: the
// text colour halfway to the background, still readable (the disabled colour is too faint for
// a whole table of it).
QBrush GhostedBrush() {
  const QPalette palette = QGuiApplication::palette();
  const QColor text = palette.color(QPalette::Active, QPalette::Text);
  const QColor base = palette.color(QPalette::Active, QPalette::Base);
  const auto mix = [](int t, int b) { return b + (t - b) * 55 / 100; };
  return QBrush(QColor(mix(text.red(), base.red()), mix(text.green(), base.green()),
                       mix(text.blue(), base.blue())));
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

int TweetTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : view_.RowCount();
}

int TweetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : TweetView::kColumns;
}

QVariant TweetTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= view_.RowCount()) return {};
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return ToQ(view_.Cell(index.row(), column + 1));
    case Qt::ToolTipRole:
      // Tweets and descriptions rarely fit their column.
      if (column == kTweetTextColumn || column == kDescriptionColumn) {
        return ToQ(view_.Cell(index.row(), column + 1));
      }
      return {};
    case Qt::TextAlignmentRole:
      return Alignment(TweetColumnRightAligned(column));
    case Qt::ForegroundRole:
      if (view_.Ghosted(index.row())) return GhostedBrush();
      return {};
    default:
      return {};
  }
}

QVariant TweetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= TweetView::kColumns) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  if (role == Qt::DisplayRole) return ToQ(kTweetColumnNames[static_cast<std::size_t>(section)]);
  if (role == Qt::TextAlignmentRole) return Alignment(TweetColumnRightAligned(section));
  return {};
}

Qt::ItemFlags TweetTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TweetTableModel::Reset() {
  beginResetModel();
  endResetModel();
}

int UserListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_rows_;
}

QVariant UserListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.Count() || index.row() >= shown_rows_) return {};
  const UserList::Entry& entry = list_.Entries()[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return ToQ(entry.text);
    case Qt::CheckStateRole:
      return entry.ticked ? Qt::Checked : Qt::Unchecked;
    case Qt::FontRole:
      if (list_.Bold()) {
        QFont font = QGuiApplication::font();
        font.setBold(true);
        return font;
      }
      return {};
    default:
      return {};
  }
}

bool UserListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !on_tick_ || !index.isValid() || index.row() >= list_.Count()) {
    return false;
  }
  on_tick_(index.row(), value.toInt() == Qt::Checked);
  return true;
}

Qt::ItemFlags UserListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (on_tick_) f |= Qt::ItemIsUserCheckable;
  return f;
}

void UserListModel::Reset() {
  if (list_.Count() == shown_rows_) {
    if (shown_rows_ > 0) emit dataChanged(index(0, 0), index(shown_rows_ - 1, 0));
    return;
  }
  beginResetModel();
  shown_rows_ = list_.Count();
  endResetModel();
}

const UserTableView* UserTableModel::Current() const {
  if (table_ < 0 || table_ >= static_cast<int>(tables_.size())) return nullptr;
  return &tables_[static_cast<std::size_t>(table_)];
}

int UserTableModel::RowsOf(const std::vector<UserTableView>& tables, int index) {
  if (index < 0 || index >= static_cast<int>(tables.size())) return 0;
  return tables[static_cast<std::size_t>(index)].RowCount();
}

int UserTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_rows_;
}

int UserTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kUserTableColumnCount;
}

QVariant UserTableModel::data(const QModelIndex& index, int role) const {
  const UserTableView* t = Current();
  if (!index.isValid() || t == nullptr || index.row() >= t->RowCount() ||
      index.row() >= shown_rows_) {
    return {};
  }
  const UserTableView::Row& row = t->Rows()[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return ToQ(row.cells[column]);
    case Qt::ToolTipRole:
      if (index.column() == kUserDescriptionColumn) return ToQ(row.cells[column]);
      return {};
    case Qt::CheckStateRole:
      if (index.column() == 0) return row.ticked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      return Alignment(UserColumnRightAligned(index.column()));
    default:
      return {};
  }
}

QVariant UserTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kUserTableColumnCount) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  if (role == Qt::DisplayRole) {
    return ToQ(kUserTableColumnNames[static_cast<std::size_t>(section)]);
  }
  if (role == Qt::TextAlignmentRole) return Alignment(UserColumnRightAligned(section));
  return {};
}

Qt::ItemFlags UserTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (on_tick_ && index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

bool UserTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const UserTableView* t = Current();
  if (role != Qt::CheckStateRole || !on_tick_ || !index.isValid() || index.column() != 0 ||
      t == nullptr || index.row() >= t->RowCount() || index.row() >= shown_rows_) {
    return false;
  }
  on_tick_(index.row(), value.toInt() == Qt::Checked);
  return true;
}

void UserTableModel::ShowTable(int index) {
  const int rows = RowsOf(tables_, index);
  if (index == table_ && rows == shown_rows_) {
    if (rows > 0)
      emit dataChanged(this->index(0, 0), this->index(rows - 1, kUserTableColumnCount - 1));
    return;
  }
  beginResetModel();
  table_ = index;
  shown_rows_ = rows;
  endResetModel();
}

std::string TweetRowsAsText(const TweetView& view, const std::vector<int>& rows) {
  std::string out;
  for (const int r : rows) {
    if (r < 0 || r >= view.RowCount()) continue;
    for (int c = 1; c <= TweetView::kColumns; ++c) {
      if (c > 1) out += '\t';
      out += c == 1 ? view.Cell(r, c) : Trimmed(view.Cell(r, c));
    }
    out += "\r\n";
  }
  return out;
}

std::string UserRowsAsText(const UserTableView& table, const std::vector<int>& rows) {
  std::string out;
  for (const int r : rows) {
    if (r < 0 || r >= table.RowCount()) continue;
    const auto& cells = table.Rows()[static_cast<std::size_t>(r)].cells;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) out += '\t';
      out += cells[c];
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace wf::gui
