#include "top_list_model.h"

#include <algorithm>

namespace wf::view {

void TopListModel::SetItems(std::vector<TopItem> items, const QString& item_title) {
  beginResetModel();
  items_ = std::move(items);
  item_title_ = item_title;
  endResetModel();
}

int TopListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

int TopListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant TopListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= items_.size()) return {};
  const TopItem& item = items_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    return index.column() == 0 ? QVariant(QString::fromStdString(item.item))
                               : QVariant(static_cast<qulonglong>(item.count));
  }
  if (role == Qt::TextAlignmentRole && index.column() == 1) {
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant TopListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  return section == 0 ? item_title_ : QStringLiteral("Tweets");
}

void TopListModel::sort(int column, Qt::SortOrder order) {
  emit layoutAboutToBeChanged();
  const bool up = order == Qt::AscendingOrder;
  if (column == 0) {
    std::stable_sort(items_.begin(), items_.end(), [up](const TopItem& a, const TopItem& b) {
      return up ? a.item < b.item : b.item < a.item;
    });
  } else {
    std::stable_sort(items_.begin(), items_.end(), [up](const TopItem& a, const TopItem& b) {
      if (a.count != b.count) return up ? a.count < b.count : a.count > b.count;
      return a.item < b.item;
    });
  }
  emit layoutChanged();
}

}  // namespace wf::view
