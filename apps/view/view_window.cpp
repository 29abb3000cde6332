#include "view_window.h"

#include <QChartView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "background_task.h"
#include "charts.h"
#include "network_view.h"
#include "top_list_model.h"
#include "util/date_time.h"
#include "util/ui_port.h"

namespace wf::view {
namespace {

constexpr int kNodeTweetsShown = 2000;
const char* const kTopNames[4] = {"Accounts", "Hashtags", "Mentions", "Link domains"};
const char* const kTopFiles[4] = {"top_accounts", "top_hashtags", "top_mentions", "top_domains"};

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QDateTime ToQt(std::int64_t serial) {
  const CivilDateTime dt = FromSerialSeconds(serial);
  return QDateTime(QDate(dt.year, dt.month, dt.day), QTime(dt.hour, dt.minute, dt.second));
}

std::int64_t FromQt(const QDateTime& qt) {
  CivilDateTime dt;
  dt.year = qt.date().year();
  dt.month = qt.date().month();
  dt.day = qt.date().day();
  dt.hour = qt.time().hour();
  dt.minute = qt.time().minute();
  dt.second = qt.time().second();
  return ToSerialSeconds(dt);
}

// The table load yields to this port now and then; once the user has cancelled, the yield
// ends the load by unwinding out of it. Rows missing cells are kept without asking.
struct LoadStopped {};
class CancelPort : public UiPort {
 public:
  explicit CancelPort(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}
  MsgAnswer Prompt(const Question&, std::string_view, MsgButtons, MsgIcon,
                   std::string_view) override {
    return MsgAnswer::Ok;
  }
  std::optional<std::string> InputBox(std::string_view, std::string_view,
                                      std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override { return {}; }
  void SetClipboardText(std::string_view) override {}
  std::string ClipboardText() override { return {}; }
  void SetPointer(Pointer) override {}
  void YieldToEvents() override {
    if (cancelled_.load()) throw LoadStopped{};
  }

 private:
  const std::atomic<bool>& cancelled_;
};

void ReplaceChart(QChartView* view, QChart* chart) {
  QChart* old = view->chart();
  view->setChart(chart);
  delete old;
}

}  // namespace

ViewWindow::ViewWindow(QWidget* parent) : QMainWindow(parent) {
  tell = [this](const QString& text) {
    QMessageBox::warning(this, QStringLiteral("wrenfold-view"), text);
  };
  ask = [this](const QString& question) {
    return QMessageBox::question(this, QStringLiteral("wrenfold-view"), question) ==
           QMessageBox::Yes;
  };
  setWindowTitle(QStringLiteral("wrenfold-view"));
  BuildMenus();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(BuildFilterBar());
  tabs_ = new QTabWidget(central);
  summary_ = new QLabel(tabs_);
  summary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->setMargin(12);
  summary_->setText(QStringLiteral("Open a tweet table (File > Open)."));
  tabs_->addTab(summary_, QStringLiteral("Summary"));
  volume_view_ = new QChartView(new QChart, tabs_);
  volume_view_->setRenderHint(QPainter::Antialiasing);
  tabs_->addTab(volume_view_, QStringLiteral("Volume"));
  tabs_->addTab(BuildSentimentTab(), QStringLiteral("Sentiment"));
  tabs_->addTab(BuildTopTab(), QStringLiteral("Top lists"));
  tabs_->addTab(BuildNetworkTab(), QStringLiteral("Network"));
  layout->addWidget(tabs_);
  setCentralWidget(central);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
    if (tab == kNetwork && corpus_ && network_stale_) ComputeNetwork();
  });
  resize(1100, 720);
}

ViewWindow::~ViewWindow() = default;

void ViewWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("&Open Tweet Table..."), QKeySequence::Open, this,
                  &ViewWindow::OpenDialog);
  file->addAction(QStringLiteral("Save Chart as PNG and SVG..."), this,
                  &ViewWindow::SaveCurrentChart);
  file->addAction(QStringLiteral("&Export All to Folder..."), this, &ViewWindow::ExportDialog);
  file->addSeparator();
  file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);
}

QWidget* ViewWindow::BuildFilterBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  from_ = new QDateTimeEdit(bar);
  to_ = new QDateTimeEdit(bar);
  for (QDateTimeEdit* edit : {from_, to_}) {
    edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    edit->setCalendarPopup(true);
    connect(edit, &QDateTimeEdit::editingFinished, this, [this] {
      if (!updating_controls_) {
        ReadFilterControls();
        Refresh();
      }
    });
  }
  text_ = new QLineEdit(bar);
  text_->setPlaceholderText(QStringLiteral("Text or account (Enter to apply)"));
  text_->setClearButtonEnabled(true);
  connect(text_, &QLineEdit::returnPressed, this, [this] {
    ReadFilterControls();
    Refresh();
  });
  bin_box_ = new QComboBox(bar);
  bin_box_->addItems({QStringLiteral("Auto"), QStringLiteral("Hour"), QStringLiteral("Day"),
                      QStringLiteral("Week")});
  connect(bin_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (updating_controls_) return;
    bin_ = index == 0 ? std::nullopt : std::optional<BinSize>(static_cast<BinSize>(index - 1));
    Refresh();
  });
  auto* reset = new QPushButton(QStringLiteral("Whole table"), bar);
  connect(reset, &QPushButton::clicked, this, [this] {
    text_->clear();
    filter_ = Filter{};
    ResetFilterControls();
    Refresh();
  });
  row->addWidget(new QLabel(QStringLiteral("From"), bar));
  row->addWidget(from_);
  row->addWidget(new QLabel(QStringLiteral("to"), bar));
  row->addWidget(to_);
  row->addWidget(new QLabel(QStringLiteral("Filter"), bar));
  row->addWidget(text_, 1);
  row->addWidget(new QLabel(QStringLiteral("Bins"), bar));
  row->addWidget(bin_box_);
  row->addWidget(reset);
  return bar;
}

QWidget* ViewWindow::BuildSentimentTab() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  score_banner_ = new QWidget(page);
  auto* banner = new QHBoxLayout(score_banner_);
  banner->addWidget(new QLabel(
      QStringLiteral("Every Sent+ and Sent- in this table is 0: it has not been scored."),
      score_banner_));
  score_button_ = new QPushButton(QStringLiteral("Score with wrenfold-senti"), score_banner_);
  connect(score_button_, &QPushButton::clicked, this, &ViewWindow::ScoreSentiment);
  banner->addWidget(score_button_);
  banner->addStretch();
  score_banner_->hide();
  sentiment_view_ = new QChartView(new QChart, page);
  sentiment_view_->setRenderHint(QPainter::Antialiasing);
  layout->addWidget(score_banner_);
  layout->addWidget(sentiment_view_, 1);
  return page;
}

QWidget* ViewWindow::BuildTopTab() {
  auto* lists = new QTabWidget(this);
  for (int k = 0; k < 4; ++k) {
    auto* split = new QSplitter(lists);
    top_views_[k] = new QChartView(new QChart, split);
    top_views_[k]->setRenderHint(QPainter::Antialiasing);
    top_models_[k] = new TopListModel(split);
    top_tables_[k] = new QTableView(split);
    top_tables_[k]->setModel(top_models_[k]);
    top_tables_[k]->setSortingEnabled(true);
    top_tables_[k]->horizontalHeader()->setStretchLastSection(true);
    top_tables_[k]->verticalHeader()->setDefaultSectionSize(20);
    split->addWidget(top_views_[k]);
    split->addWidget(top_tables_[k]);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    lists->addTab(split, QString::fromLatin1(kTopNames[k]));
  }
  return lists;
}

QWidget* ViewWindow::BuildNetworkTab() {
  auto* split = new QSplitter(Qt::Vertical, this);
  auto* top = new QWidget(split);
  auto* layout = new QVBoxLayout(top);
  layout->setContentsMargins(0, 0, 0, 0);
  network_status_ = new QLabel(top);
  scene_ = new QGraphicsScene(this);
  network_view_ = new NetworkView(top);
  network_view_->setScene(scene_);
  auto* fit = new QPushButton(QStringLiteral("Fit"), top);
  connect(fit, &QPushButton::clicked, network_view_, &NetworkView::FitAll);
  auto* status_row = new QHBoxLayout;
  status_row->addWidget(network_status_, 1);
  status_row->addWidget(fit);
  layout->addLayout(status_row);
  layout->addWidget(network_view_, 1);
  node_tweets_ = new QListWidget(split);
  split->addWidget(top);
  split->addWidget(node_tweets_);
  split->setStretchFactor(0, 4);
  split->setStretchFactor(1, 1);
  connect(network_view_, &NetworkView::NodeClicked, this, &ViewWindow::ShowNodeTweets);
  return split;
}

bool ViewWindow::OpenFile(const QString& path) {
  std::optional<TweetCorpus> loaded;
  std::string error;
  const std::string file = path.toStdString();
  const bool finished =
      RunHeld(QStringLiteral("Loading %1").arg(QFileInfo(path).fileName()),
              [&](const ProgressFn& progress, const std::atomic<bool>& cancelled) {
                CancelPort port(cancelled);
                try {
                  loaded = TweetCorpus::Load(file, &error, progress, &port);
                } catch (const LoadStopped&) {
                  loaded.reset();
                }
              });
  if (!finished) return false;
  if (!loaded) {
    tell(QStringLiteral("Couldn't open %1: %2").arg(path, Q(error)));
    return false;
  }
  corpus_ = std::move(loaded);
  filter_ = Filter{};
  text_->clear();
  network_.reset();
  setWindowTitle(QStringLiteral("wrenfold-view [%1]").arg(path));
  Refresh();
  span_first_ = analysis_.summary.first;
  span_last_ = analysis_.summary.last;
  ResetFilterControls();
  return true;
}

bool ViewWindow::RunHeld(
    const QString& label,
    const std::function<void(const ProgressFn&, const std::atomic<bool>&)>& work) {
  centralWidget()->setEnabled(false);
  menuBar()->setEnabled(false);
  const bool finished = RunWithProgress(this, label, work);
  centralWidget()->setEnabled(true);
  menuBar()->setEnabled(true);
  return finished;
}

void ViewWindow::ResetFilterControls() {
  updating_controls_ = true;
  if (corpus_ && span_first_) {
    from_->setDateTimeRange(ToQt(*span_first_), ToQt(*span_last_));
    from_->setDateTime(ToQt(filter_.from.value_or(*span_first_)));
    to_->setDateTimeRange(ToQt(*span_first_), ToQt(*span_last_));
    to_->setDateTime(ToQt(filter_.to.value_or(*span_last_)));
  }
  updating_controls_ = false;
}

void ViewWindow::ReadFilterControls() {
  if (!corpus_) return;
  filter_.from.reset();
  filter_.to.reset();
  if (span_first_) {
    const std::int64_t from = FromQt(from_->dateTime());
    const std::int64_t to = FromQt(to_->dateTime());
    if (from > *span_first_) filter_.from = from;
    if (to < *span_last_) filter_.to = to;
  }
  filter_.text = text_->text().trimmed().toStdString();
}

void ViewWindow::SetFilter(const Filter& filter) {
  filter_ = filter;
  updating_controls_ = true;
  text_->setText(Q(filter.text));
  updating_controls_ = false;
  Refresh();
  ResetFilterControls();
}

void ViewWindow::SetBin(std::optional<BinSize> bin) {
  bin_ = bin;
  updating_controls_ = true;
  bin_box_->setCurrentIndex(bin ? static_cast<int>(*bin) + 1 : 0);
  updating_controls_ = false;
  Refresh();
}

void ViewWindow::Refresh() {
  if (!corpus_) return;
  analysis_ = Analyse(*corpus_, filter_, bin_);
  const Summary& s = analysis_.summary;
  const double share = s.tweets == 0 ? 0 : 100.0 * static_cast<double>(s.retweets) / s.tweets;
  summary_->setText(QStringLiteral("<table cellpadding=3>"
                                   "<tr><td>File</td><td>%1</td></tr>"
                                   "<tr><td>Filter</td><td>%2</td></tr>"
                                   "<tr><td>Tweets</td><td>%3 (%4 without a date)</td></tr>"
                                   "<tr><td>Accounts</td><td>%5</td></tr>"
                                   "<tr><td>Retweets</td><td>%6 (%7%)</td></tr>"
                                   "<tr><td>First</td><td>%8</td></tr>"
                                   "<tr><td>Last</td><td>%9</td></tr>"
                                   "<tr><td>Mean Sent+</td><td>%10</td></tr>"
                                   "<tr><td>Mean Sent-</td><td>%11</td></tr>"
                                   "<tr><td>Bins</td><td>%12 %13s</td></tr></table>")
                        .arg(corpus_->Path().c_str(), Q(filter_.Describe()).toHtmlEscaped())
                        .arg(s.tweets)
                        .arg(s.undated)
                        .arg(s.accounts)
                        .arg(s.retweets)
                        .arg(share, 0, 'f', 1)
                        .arg(s.first ? Q(IsoDateTime(*s.first)) : QStringLiteral("-"),
                             s.last ? Q(IsoDateTime(*s.last)) : QStringLiteral("-"))
                        .arg(s.mean_positive, 0, 'f', 3)
                        .arg(s.mean_negative, 0, 'f', 3)
                        .arg(analysis_.bins.size())
                        .arg(Q(BinName(analysis_.bin))));
  ReplaceChart(volume_view_, MakeVolumeChart(analysis_.bins, analysis_.bin));
  ReplaceChart(sentiment_view_, MakeSentimentChart(analysis_.bins, analysis_.bin));
  score_banner_->setVisible(corpus_->AllScoresZero() && corpus_->Size() > 0);
  const std::vector<TopItem>* lists[4] = {&analysis_.top.accounts, &analysis_.top.hashtags,
                                          &analysis_.top.mentions, &analysis_.top.domains};
  for (int k = 0; k < 4; ++k) {
    ReplaceChart(top_views_[k], MakeTopChart(*lists[k], QString::fromLatin1(kTopNames[k])));
    top_models_[k]->SetItems(*lists[k], QString::fromLatin1(kTopNames[k]));
    top_tables_[k]->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
  }
  network_stale_ = true;
  if (tabs_->currentIndex() == kNetwork) ComputeNetwork();
}

bool ViewWindow::ComputeNetwork() {
  if (!corpus_) return false;
  auto built = std::make_unique<Network>();
  LayoutOutcome outcome = LayoutOutcome::Failed;
  const bool finished = RunHeld(QStringLiteral("Laying out the network"),
                                [&](const ProgressFn& progress, const std::atomic<bool>&) {
                                  *built = BuildNetwork(*corpus_, analysis_.selection);
                                  if (!DetectCommunities(*built)) return;
                                  outcome = LayoutNetwork(*built, progress);
                                });
  node_tweets_->clear();
  if (!finished || outcome == LayoutOutcome::Stopped) {
    network_status_->setText(QStringLiteral("Layout cancelled: show the tab again to lay it out."));
    return false;
  }
  if (outcome != LayoutOutcome::Done) {
    tell(QStringLiteral("igraph could not lay out the network."));
    return false;
  }
  network_ = std::move(built);
  network_stale_ = false;
  DrawNetwork(*scene_, *network_);
  network_view_->FitAll();
  network_status_->setText(
      QStringLiteral("%1 accounts, %2 links, %3 communities (%4 layout). Wheel: zoom; drag: "
                     "pan; click an account to list its tweets.")
          .arg(network_->nodes.size())
          .arg(network_->edges.size())
          .arg(network_->communities)
          .arg(network_->nodes.size() <= kForceDirectedLimit
                   ? QStringLiteral("Fruchterman-Reingold")
                   : QStringLiteral("DrL")));
  return true;
}

void ViewWindow::ShowNodeTweets(qulonglong node) {
  node_tweets_->clear();
  if (!corpus_ || !network_ || node >= network_->nodes.size()) return;
  const std::vector<std::uint32_t> rows =
      TweetsOfNode(*corpus_, analysis_.selection, *network_, static_cast<std::size_t>(node));
  const NetworkNode& n = network_->nodes[static_cast<std::size_t>(node)];
  node_tweets_->addItem(QStringLiteral("@%1: %2 tweets").arg(Q(n.label)).arg(rows.size()));
  for (std::size_t i = 0; i < rows.size() && i < static_cast<std::size_t>(kNodeTweetsShown); ++i) {
    const Tweet& t = corpus_->At(rows[i]);
    node_tweets_->addItem(Q(corpus_->DateText(t)) + QStringLiteral("  ") + Q(corpus_->Text(t)));
  }
  if (rows.size() > static_cast<std::size_t>(kNodeTweetsShown)) {
    node_tweets_->addItem(QStringLiteral("... and %1 more").arg(rows.size() - kNodeTweetsShown));
  }
}

bool ViewWindow::ExportAll(const QString& dir) {
  if (!corpus_) return false;
  std::string error;
  if (!WriteDataFiles(dir.toStdString(), *corpus_, analysis_,
                      network_stale_ ? nullptr : network_.get(), &error)) {
    tell(Q(error));
    return false;
  }
  const QDir folder(dir);
  QString why;
  bool ok = SaveWidgetImages(*volume_view_, folder.filePath(QStringLiteral("volume")), &why) &&
            SaveWidgetImages(*sentiment_view_, folder.filePath(QStringLiteral("sentiment")), &why);
  for (int k = 0; k < 4 && ok; ++k) {
    ok = SaveWidgetImages(*top_views_[k], folder.filePath(QString::fromLatin1(kTopFiles[k])), &why);
  }
  if (ok && network_ && !network_stale_) {
    ok = SaveSceneImages(*scene_, folder.filePath(QStringLiteral("network")), 1600, &why);
  }
  if (!ok) tell(why);
  return ok;
}

void ViewWindow::ScoreSentiment() {
  if (!corpus_) return;
  QTemporaryDir work;
  if (!work.isValid() || !corpus_->ScoreSentiment(work.path().toStdString())) {
    tell(
        QStringLiteral("wrenfold-senti could not score the table; is it installed beside "
                       "wrenfold-view?"));
    return;
  }
  Refresh();
  if (ask(QStringLiteral("Save the scores into %1?").arg(Q(corpus_->Path())))) {
    std::string error;
    if (!corpus_->SaveTable(&error)) tell(QStringLiteral("Couldn't save: %1").arg(Q(error)));
  }
}

void ViewWindow::SaveCurrentChart() {
  QWidget* widget = nullptr;
  switch (tabs_->currentIndex()) {
    case kVolume:
      widget = volume_view_;
      break;
    case kSentiment:
      widget = sentiment_view_;
      break;
    case kTop: {
      auto* lists = static_cast<QTabWidget*>(tabs_->currentWidget());
      widget = top_views_[std::max(0, lists->currentIndex())];
      break;
    }
    default:
      break;
  }
  const bool network = tabs_->currentIndex() == kNetwork;
  if (widget == nullptr && !network) {
    tell(QStringLiteral("Choose a chart tab first."));
    return;
  }
  QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Save Chart"), QString(),
                                              QStringLiteral("PNG and SVG (*.png *.svg)"));
  if (name.isEmpty()) return;
  if (name.endsWith(QStringLiteral(".png")) || name.endsWith(QStringLiteral(".svg"))) name.chop(4);
  QString why;
  const bool ok =
      network ? SaveSceneImages(*scene_, name, 1600, &why) : SaveWidgetImages(*widget, name, &why);
  if (!ok) tell(why);
}

void ViewWindow::OpenDialog() {
  const QString name =
      QFileDialog::getOpenFileName(this, QStringLiteral("Open Tweet Table"), QString(),
                                   QStringLiteral("Tweet tables (*.txt *.stwt);;All files (*)"));
  if (!name.isEmpty()) OpenFile(name);
}

void ViewWindow::ExportDialog() {
  if (!corpus_) return;
  const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Export to Folder"));
  if (!dir.isEmpty()) ExportAll(dir);
}

QString ViewWindow::SummaryText() const {
  return summary_->text();
}

}  // namespace wf::view
