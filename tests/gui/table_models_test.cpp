#include "table_models.h"

#include <gtest/gtest.h>

#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <set>

#include "twips.h"

namespace wf::gui {
namespace {

// A stored row: sixteen fields, the given screen name, tweet id and follower count.
void AddTweet(TweetView& view, std::string_view name, std::string_view id,
              std::string_view followers, bool ghosted) {
  std::array<std::string_view, TweetView::kColumns> cells{};
  cells.fill("x");
  cells[0] = "Tue Nov 08 21:02:11 0000 2022";
  cells[1] = name;
  cells[2] = "a tweet";
  cells[3] = id;
  cells[5] = followers;
  view.AddRow(cells, ghosted);
}

QString Display(const QAbstractItemModel& m, int row, int column) {
  return m.data(m.index(row, column), Qt::DisplayRole).toString();
}

Qt::Alignment HorizontalAlignment(const QVariant& v) {
  return Qt::Alignment(v.toInt()) & Qt::AlignHorizontal_Mask;
}

TEST(TweetTableModel, ShowsTheViewsRowsUnderTheSixteenColumnNames) {
  TweetView view;
  AddTweet(view, "alice", "1590087310565339136", "42", false);
  AddTweet(view, "bob", "7", "1569", false);
  TweetTableModel model(view);

  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.columnCount(), 16);
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString().toStdString(),
              kTweetColumnNames[static_cast<std::size_t>(c)]);
  }
  EXPECT_EQ(Display(model, 0, 3), "1590087310565339136");
  // Cells are shown as the view pads them, so what sorts as text reads as numbers.
  EXPECT_EQ(Display(model, 1, 5), "   1569");
  EXPECT_FALSE(model.data(model.index(2, 0)).isValid());
}

TEST(TweetTableModel, RightAlignsExactlyTheNumericColumns) {
  TweetView view;
  AddTweet(view, "alice", "1", "2", false);
  TweetTableModel model(view);
  const std::set<int> right = {4, 6, 7, 9, 10, 11, 12, 14, 15};  // 1-based
  for (int c = 0; c < 16; ++c) {
    const Qt::Alignment expected = right.count(c + 1) ? Qt::AlignRight : Qt::AlignLeft;
    EXPECT_EQ(HorizontalAlignment(model.data(model.index(0, c), Qt::TextAlignmentRole)), expected)
        << "column " << c + 1;
    EXPECT_EQ(HorizontalAlignment(model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole)),
              expected)
        << "header " << c + 1;
  }
}

TEST(TweetTableModel, DimsRowsFromFilesOnly) {
  TweetView view;
  AddTweet(view, "from_file", "1", "2", true);
  AddTweet(view, "retrieved", "3", "4", false);
  TweetTableModel model(view);

  const QVariant ghosted = model.data(model.index(0, 2), Qt::ForegroundRole);
  ASSERT_TRUE(ghosted.canConvert<QBrush>());
  const QColor dim = ghosted.value<QBrush>().color();
  const QPalette palette = QGuiApplication::palette();
  EXPECT_NE(dim, palette.color(QPalette::Text));
  EXPECT_NE(dim, palette.color(QPalette::Base));
  EXPECT_FALSE(model.data(model.index(1, 2), Qt::ForegroundRole).isValid());
}

TEST(TweetTableModel, FollowsTheViewsOwnOrderAndResets) {
  TweetView view;
  TweetTableModel model(view);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

  AddTweet(view, "carol", "3", "1", false);
  AddTweet(view, "alice", "1", "1", false);
  AddTweet(view, "bob", "2", "1", false);
  model.Reset();
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(model.rowCount(), 3);
  EXPECT_EQ(Display(model, 0, 1), "carol");

  // Sorting is the view's business; the adapter shows whatever order it holds.
  view.SetSortKey(1);
  view.SetSorted(true);
  model.Reset();
  EXPECT_EQ(Display(model, 0, 1), "alice");
  EXPECT_EQ(Display(model, 2, 1), "carol");
}

TEST(TweetRowsAsText, TrimsPaddingLikeASaveButKeepsTheDateCell) {
  TweetView view;
  AddTweet(view, "alice", "12", "42", false);
  AddTweet(view, "bob", "13", "7", false);
  const std::string text = TweetRowsAsText(view, {1, 5});
  EXPECT_EQ(
      text,
      "Tue Nov 08 21:02:11 0000 2022\tbob\ta tweet\t13\tx\t7\tx\tx\tx\tx\tx\tx\tx\tx\tx\tx\r\n");
  EXPECT_EQ(TweetRowsAsText(view, {}), "");
}

TEST(UserListModel, ShowsTicksAndTheBoldOfADerivedList) {
  UserList list;
  list.Add("alice", true);
  list.Add("bob", false);
  UserListModel model(list);
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_FALSE(model.data(model.index(0, 0), Qt::FontRole).isValid());
  list.SetBold(true);
  EXPECT_TRUE(model.data(model.index(0, 0), Qt::FontRole).value<QFont>().bold());
  // Without a command to give ticks to, the view offers none.
  EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsUserCheckable));
}

TEST(UserListModel, TicksGoToTheCommandAndTheListChangesOnlyThroughIt) {
  UserList list;
  list.Add("alice");
  list.Add("bob");
  UserListModel model(list);
  std::vector<std::pair<int, bool>> ticks;
  model.SetTickHandler([&](int row, bool ticked) { ticks.emplace_back(row, ticked); });
  EXPECT_TRUE(model.flags(model.index(1, 0)).testFlag(Qt::ItemIsUserCheckable));
  EXPECT_TRUE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_FALSE(model.setData(model.index(0, 0), QStringLiteral("carol"), Qt::EditRole));
  EXPECT_EQ(ticks, (std::vector<std::pair<int, bool>>{{1, true}, {0, false}}));
  EXPECT_FALSE(list.Entries()[1].ticked);
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "alice");
}

TEST(UserListModel, OffersNoRowsTheViewHasNotBeenToldOf) {
  UserList list;
  list.Add("alice");
  UserListModel model(list);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy redraws(&model, &QAbstractItemModel::dataChanged);

  // The list grew behind the view's back: until Reset the view still sees one row.
  list.Add("bob");
  EXPECT_EQ(model.rowCount(), 1);
  model.Reset();
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(resets.count(), 1);

  // A shrunk list must not leave the view reading past its end.
  list.Clear();
  EXPECT_FALSE(model.data(model.index(1, 0)).isValid());
  model.Reset();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(resets.count(), 2);

  // Same count (a tick, a renamed entry): a redraw keeps the view's scroll and current row.
  list.Add("carol");
  model.Reset();
  list.SetText(0, "dave");
  model.Reset();
  EXPECT_EQ(resets.count(), 3);
  EXPECT_EQ(redraws.count(), 1);
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "dave");
}

TEST(UserTableModel, ShowsTheTableOnShowWithTicksInTheFirstColumn) {
  std::vector<UserTableView> tables(2);
  UserTableView::Row row;
  row.cells[0] = "12345";
  row.cells[1] = "alice";
  row.cells[10] = "     42";
  row.ticked = true;
  tables[1].MutableRows().push_back(row);
  UserTableModel model(tables);

  EXPECT_EQ(model.columnCount(), 37);
  EXPECT_EQ(model.headerData(20, Qt::Horizontal).toString(), "FF Ratio");
  EXPECT_EQ(model.rowCount(), 0);
  model.ShowTable(1);
  ASSERT_EQ(model.rowCount(), 1);
  EXPECT_EQ(Display(model, 0, 1), "alice");
  EXPECT_EQ(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_FALSE(model.data(model.index(0, 1), Qt::CheckStateRole).isValid());
  EXPECT_EQ(HorizontalAlignment(model.data(model.index(0, 10), Qt::TextAlignmentRole)),
            Qt::AlignRight);
  EXPECT_EQ(HorizontalAlignment(model.data(model.index(0, 1), Qt::TextAlignmentRole)),
            Qt::AlignLeft);
  model.ShowTable(7);
  EXPECT_EQ(model.rowCount(), 0);
}

TEST(UserTableModel, RedrawsTheSameTableButResetsForOtherRows) {
  std::vector<UserTableView> tables(2);
  UserTableView::Row row;
  row.cells[1] = "alice";
  tables[1].MutableRows().push_back(row);
  UserTableModel model(tables);
  model.ShowTable(1);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy redraws(&model, &QAbstractItemModel::dataChanged);

  tables[1].MutableRows()[0].cells[1] = "bob";
  model.ShowTable(1);
  EXPECT_EQ(resets.count(), 0);
  ASSERT_EQ(redraws.count(), 1);
  EXPECT_EQ(Display(model, 0, 1), "bob");

  tables[1].MutableRows().push_back(row);
  EXPECT_EQ(model.rowCount(), 1);  // not before the view is told
  model.ShowTable(1);
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(resets.count(), 1);

  // Another table with as many rows is still another table.
  tables[0].MutableRows() = tables[1].Rows();
  model.ShowTable(0);
  EXPECT_EQ(resets.count(), 2);
}

TEST(Twips, ConvertBothWaysAtCommonResolutions) {
  EXPECT_EQ(TwipsToPixels(1440, 96), 96);
  EXPECT_EQ(TwipsToPixels(1000, 96), 67);
  EXPECT_EQ(TwipsToPixels(1000, 144), 100);
  EXPECT_EQ(PixelsToTwips(100, 96), 1500);
  EXPECT_EQ(PixelsToTwips(0, 96), 0);
  // A width the user set survives a save and a reload on the same screen.
  for (const double dpi : {96.0, 100.0, 120.0, 144.0, 192.0}) {
    for (int px = 1; px <= 600; ++px) {
      ASSERT_EQ(TwipsToPixels(PixelsToTwips(px, dpi), dpi), px) << px << " at " << dpi;
    }
  }
  EXPECT_EQ(TwipsToPixels(1000, 0), 0);
  EXPECT_EQ(TwipsToPixels(-50, 96), 0);
}

}  // namespace
}  // namespace wf::gui
