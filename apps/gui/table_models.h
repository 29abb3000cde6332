#pragma once

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "mainwindow/tweet_view.h"
#include "mainwindow/user_list.h"
#include "mainwindow/user_table_view.h"

namespace wf::gui {

// The tweet table as Qt sees it. Rows come straight from the model's TweetView in its own
// order: sorting happens there, so "the first row as shown" is the same row for both, and a
// change is shown by resetting (only the visible rows are ever read).
class TweetTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TweetTableModel(const TweetView& view, QObject* parent = nullptr)
      : QAbstractTableModel(parent), view_(view) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void Reset();

 private:
  const TweetView& view_;
};

// The user list: one entry a row with its tick box; bold when the list came from the tweets.
// A tick the user gives goes to `on_tick` (the window model's command), never into the list
// directly: the list changes only through the model, which then has the view refreshed.
class UserListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit UserListModel(const UserList& list, QObject* parent = nullptr)
      : QAbstractListModel(parent), list_(list), shown_rows_(list.Count()) {}

  void SetTickHandler(std::function<void(int row, bool ticked)> on_tick) {
    on_tick_ = std::move(on_tick);
  }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Brings the view up to date. With the same number of entries only the cells are redrawn,
  // so the view keeps its scroll position and current entry while ticks change.
  void Reset();

 private:
  const UserList& list_;
  std::function<void(int, bool)> on_tick_;
  // The row count the view was last told of: the list may have changed since, and the view
  // must not be offered rows before it has been reset.
  int shown_rows_ = 0;
};

// The user table on show (one of the model's tables, picked by index), 37 columns with a tick
// box in the first. As with the user list, a tick goes to `on_tick` and comes back through
// the window model.
class UserTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit UserTableModel(const std::vector<UserTableView>& tables, QObject* parent = nullptr)
      : QAbstractTableModel(parent), tables_(tables), shown_rows_(RowsOf(tables, 0)) {}

  void SetTickHandler(std::function<void(int row, bool ticked)> on_tick) {
    on_tick_ = std::move(on_tick);
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Shows table `index`. Another table, or another number of rows, resets the view; the same
  // table with as many rows only redraws, so the view's row selection survives.
  void ShowTable(int index);
  int Table() const { return table_; }

 private:
  const UserTableView* Current() const;
  static int RowsOf(const std::vector<UserTableView>& tables, int index);

  const std::vector<UserTableView>& tables_;
  std::function<void(int, bool)> on_tick_;
  int table_ = 0;
  int shown_rows_ = 0;  // as for the user list
};

// Rows of the tweet table as clipboard text: TAB between cells, CR LF after each row, the
// padding that makes numbers sort as text removed (as a save removes it).
std::string TweetRowsAsText(const TweetView& view, const std::vector<int>& rows);

// Rows of a user table the same way; cells exactly as the table holds them.
std::string UserRowsAsText(const UserTableView& table, const std::vector<int>& rows);

}  // namespace wf::gui
