// The visualiser window, built offscreen on a small table: every tab shows what the table holds
// and follows the filter.
#include "view_window.h"

#include <gtest/gtest.h>

#include <QAbstractSeries>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "charts.h"
#include "support/test_paths.h"
#include "table_builder.h"
#include "top_list_model.h"

namespace wf::view {
namespace {

using test::Row;

struct WindowFixture {
  wf::test::TempDir dir;
  ViewWindow window;
  std::vector<QString> told;
  std::vector<QString> asked;

  WindowFixture() {
    window.tell = [this](const QString& text) { told.push_back(text); };
    window.ask = [this](const QString& question) {
      asked.push_back(question);
      return false;
    };
  }

  std::string Write(const std::vector<Row>& rows, bool header = true) {
    const std::string path = dir.File("t.txt");
    wf::test::WriteBytes(path, test::Table(rows, header));
    return path;
  }
};

std::vector<Row> Sample() {
  return {
      {"Wed Aug 27 10:00:00 0000 2008", "ann", "RT @bob: #Plastic news", "https://www.a.com/x", "2",
       "-1"},
      {"27/08/2008 11:30:00", "bob", "hello @ann and @cy", "", "1", "-3"},
      {"27-Aug-2008 12:45:00", "cy", "glass #glass", "http://b.org", "1", "-1"},
      {"28/08/2008 09:00:00", "ann", "RT @cy: glass", "", "3", "-1"},
  };
}

TEST(ViewWindow, OpensATableAndShowsEveryTab) {
  WindowFixture f;
  f.window.show();
  ASSERT_TRUE(f.window.OpenFile(QString::fromStdString(f.Write(Sample()))));
  EXPECT_TRUE(f.told.empty());
  QTabWidget* tabs = f.window.Tabs();
  ASSERT_EQ(tabs->count(), 5);

  tabs->setCurrentIndex(ViewWindow::kSummary);
  const QString summary = f.window.SummaryText();
  EXPECT_TRUE(summary.contains(QStringLiteral("<td>Tweets</td><td>4 (0 without a date)")))
      << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("<td>Retweets</td><td>2 (50.0%)")));
  EXPECT_TRUE(summary.contains(QStringLiteral("2008-08-27 10:00:00")));

  tabs->setCurrentIndex(ViewWindow::kVolume);
  QApplication::processEvents();
  EXPECT_EQ(f.window.VolumeView()->chart()->series().size(), 2);
  EXPECT_EQ(f.window.CurrentAnalysis().bin, BinSize::Hour);
  EXPECT_EQ(f.window.CurrentAnalysis().bins.size(), 24u);  // 10:00 to 09:00 the next day

  tabs->setCurrentIndex(ViewWindow::kSentiment);
  QApplication::processEvents();
  EXPECT_EQ(f.window.SentimentView()->chart()->series().size(), 4);
  EXPECT_FALSE(f.window.ScoreButton()->isVisibleTo(&f.window));  // scored already

  tabs->setCurrentIndex(ViewWindow::kTop);
  QApplication::processEvents();
  EXPECT_EQ(f.window.TopModel(0)->rowCount(), 3);
  EXPECT_EQ(f.window.TopModel(0)->data(f.window.TopModel(0)->index(0, 0), Qt::DisplayRole),
            QStringLiteral("ann"));
  EXPECT_EQ(f.window.TopModel(1)->rowCount(), 2);  // glass, plastic
  EXPECT_EQ(f.window.TopModel(3)->rowCount(), 2);
  f.window.TopModel(0)->sort(0, Qt::DescendingOrder);
  EXPECT_EQ(f.window.TopModel(0)->data(f.window.TopModel(0)->index(0, 0), Qt::DisplayRole),
            QStringLiteral("cy"));

  // The network is laid out when its tab is first shown.
  EXPECT_EQ(f.window.CurrentNetwork(), nullptr);
  tabs->setCurrentIndex(ViewWindow::kNetwork);
  QApplication::processEvents();
  ASSERT_NE(f.window.CurrentNetwork(), nullptr);
  EXPECT_EQ(f.window.CurrentNetwork()->nodes.size(), 3u);
  EXPECT_EQ(f.window.CurrentNetwork()->edges.size(), 4u);
  int nodes = 0;
  for (QGraphicsItem* item : f.window.NetworkScene()->items()) {
    if (item->data(kNodeKey).isValid()) ++nodes;
  }
  EXPECT_EQ(nodes, 3);
  f.window.ShowNodeTweets(static_cast<qulonglong>(f.window.CurrentNetwork()->Find("ann")));
  ASSERT_EQ(f.window.NodeTweets()->count(), 3);
  EXPECT_EQ(f.window.NodeTweets()->item(0)->text(), QStringLiteral("@ann: 2 tweets"));
  EXPECT_TRUE(f.window.NodeTweets()->item(2)->text().endsWith(QStringLiteral("RT @cy: glass")));

  // Every view follows the filter, the network while its tab is on show.
  Filter filter;
  filter.text = "glass";
  f.window.SetFilter(filter);
  EXPECT_TRUE(f.window.SummaryText().contains(QStringLiteral("<td>Tweets</td><td>2 (")));
  EXPECT_EQ(f.window.TopModel(0)->rowCount(), 2);
  ASSERT_NE(f.window.CurrentNetwork(), nullptr);
  EXPECT_EQ(f.window.CurrentNetwork()->edges.size(), 1u);
  f.window.SetBin(BinSize::Day);
  EXPECT_EQ(f.window.CurrentAnalysis().bins.size(), 2u);
}

TEST(ViewWindow, UnscoredTablesOfferScoringAndUnreadableFilesAreReported) {
  WindowFixture f;
  std::vector<Row> rows = Sample();
  for (Row& r : rows) r.positive = r.negative = "0";
  f.window.show();
  f.window.Tabs()->setCurrentIndex(ViewWindow::kSentiment);
  ASSERT_TRUE(f.window.OpenFile(QString::fromStdString(f.Write(rows, false))));
  EXPECT_TRUE(f.window.ScoreButton()->isVisibleTo(&f.window));

  EXPECT_FALSE(f.window.OpenFile(QString::fromStdString(f.dir.File("missing.txt"))));
  ASSERT_EQ(f.told.size(), 1u);
  EXPECT_TRUE(f.told[0].startsWith(QStringLiteral("Couldn't open ")));
  // The table on show stays.
  EXPECT_TRUE(f.window.SummaryText().contains(QStringLiteral("<td>Tweets</td><td>4 (")));
}

}  // namespace
}  // namespace wf::view
