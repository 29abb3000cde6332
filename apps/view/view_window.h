#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "export_files.h"
#include "network.h"
#include "tweet_corpus.h"

class QChartView;
class QComboBox;
class QDateTimeEdit;
class QGraphicsScene;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;
class QWidget;

namespace wf::view {

class NetworkView;
class TopListModel;

// The visualiser's window: a tab per view of one tweet table, a date range and a text filter
// above them that every view follows, and exports of the charts and figures.
class ViewWindow : public QMainWindow {
  Q_OBJECT
 public:
  enum Tab { kSummary, kVolume, kSentiment, kTop, kNetwork };

  explicit ViewWindow(QWidget* parent = nullptr);
  ~ViewWindow() override;

  // How the window tells and asks the user; message boxes unless replaced (tests script them).
  std::function<void(const QString& text)> tell;
  std::function<bool(const QString& question)> ask;

  // Loads a table with a progress dialog whose Cancel stops the load; returns once done.
  // False (and the user told why, unless cancelled) when it could not be read.
  bool OpenFile(const QString& path);
  // Builds, groups and lays out the network of the selection with a progress dialog whose
  // Cancel stops the layout; done by itself when the Network tab is shown.
  bool ComputeNetwork();
  // Writes every data file and picture into `dir`. False with the user told why.
  bool ExportAll(const QString& dir);

  void SetFilter(const Filter& filter);
  void SetBin(std::optional<BinSize> bin);  // empty: chosen from the span

  // What the views show, for the tests.
  QTabWidget* Tabs() const { return tabs_; }
  QString SummaryText() const;
  QChartView* VolumeView() const { return volume_view_; }
  QChartView* SentimentView() const { return sentiment_view_; }
  QChartView* TopView(int list) const { return top_views_[list]; }
  TopListModel* TopModel(int list) const { return top_models_[list]; }
  const Network* CurrentNetwork() const { return network_.get(); }
  QGraphicsScene* NetworkScene() const { return scene_; }
  QListWidget* NodeTweets() const { return node_tweets_; }
  QPushButton* ScoreButton() const { return score_button_; }
  const Analysis& CurrentAnalysis() const { return analysis_; }
  // Lists the tweets of a node as a click on it does.
  void ShowNodeTweets(qulonglong node);

 private:
  void BuildMenus();
  QWidget* BuildFilterBar();
  QWidget* BuildTopTab();
  QWidget* BuildNetworkTab();
  QWidget* BuildSentimentTab();
  void Refresh();
  // Runs work off the main thread with the controls held still, so that nothing it reads
  // (the selection) changes under it.
  bool RunHeld(const QString& label,
               const std::function<void(const ProgressFn&, const std::atomic<bool>&)>& work);
  void ReadFilterControls();
  void ResetFilterControls();
  void ScoreSentiment();
  void SaveCurrentChart();
  void OpenDialog();
  void ExportDialog();

  std::optional<TweetCorpus> corpus_;
  Analysis analysis_;
  Filter filter_;
  std::optional<BinSize> bin_;
  std::unique_ptr<Network> network_;
  bool network_stale_ = true;

  QTabWidget* tabs_ = nullptr;
  QLabel* summary_ = nullptr;
  QChartView* volume_view_ = nullptr;
  QChartView* sentiment_view_ = nullptr;
  QWidget* score_banner_ = nullptr;
  QPushButton* score_button_ = nullptr;
  QChartView* top_views_[4] = {};
  TopListModel* top_models_[4] = {};
  QTableView* top_tables_[4] = {};
  NetworkView* network_view_ = nullptr;
  QGraphicsScene* scene_ = nullptr;
  QLabel* network_status_ = nullptr;
  QListWidget* node_tweets_ = nullptr;
  QDateTimeEdit* from_ = nullptr;
  QDateTimeEdit* to_ = nullptr;
  QLineEdit* text_ = nullptr;
  QComboBox* bin_box_ = nullptr;
  bool updating_controls_ = false;
  std::optional<std::int64_t> span_first_;  // first and last time of the whole table
  std::optional<std::int64_t> span_last_;
};

}  // namespace wf::view
