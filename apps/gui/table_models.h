#pragma once

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QString>
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
class UserListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit UserListModel(const UserList& list, QObject* parent = nullptr)
      : QAbstractListModel(parent), list_(list) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void Reset();

 private:
  const UserList& list_;
};

// The user table on show (one of the model's tables, picked by index), 37 columns with a tick
// box in the first.
class UserTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit UserTableModel(const std::vector<UserTableView>& tables, QObject* parent = nullptr)
      : QAbstractTableModel(parent), tables_(tables) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Shows table `index` (resetting even when it is the same table, whose rows may have changed).
  void ShowTable(int index);
  int Table() const { return table_; }

 private:
  const UserTableView* Current() const;

  const std::vector<UserTableView>& tables_;
  int table_ = 0;
};

// Rows of the tweet table as clipboard text: TAB between cells, CR LF after each row, the
// padding that makes numbers sort as text removed (as a save removes it).
std::string TweetRowsAsText(const TweetView& view, const std::vector<int>& rows);

// Rows of a user table the same way; cells exactly as the table holds them.
std::string UserRowsAsText(const UserTableView& table, const std::vector<int>& rows);

}  // namespace wf::gui
