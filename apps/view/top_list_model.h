#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "series.h"

namespace wf::view {

// A top list as a two-column table (item, count) that sorts by either column; it holds the
// whole list, however long, without an item object per cell.
class TopListModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetItems(std::vector<TopItem> items, const QString& item_title);
  const std::vector<TopItem>& Items() const { return items_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  std::vector<TopItem> items_;
  QString item_title_;
};

}  // namespace wf::view
