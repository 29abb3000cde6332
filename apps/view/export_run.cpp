#include "export_run.h"

#include <QChartView>
#include <QDir>
#include <QGraphicsScene>
#include <memory>

#include "charts.h"
#include "export_files.h"

namespace wf::view {
namespace {

const QSize kChartSize(1200, 700);
constexpr int kNetworkWidth = 1600;

bool SaveChart(QChart* chart, const QString& base, QString* error) {
  QChartView view(chart);  // owns the chart from here
  view.setRenderHint(QPainter::Antialiasing);
  view.resize(kChartSize);
  return SaveWidgetImages(view, base, error);
}

}  // namespace

int RunExport(const ViewOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& dir = *options.export_dir;
  std::string error;
  const auto corpus = TweetCorpus::Load(options.file, &error);
  if (!corpus) {
    err << "wrenfold-view: " << error << "\n";
    return 1;
  }
  const Analysis analysis = Analyse(*corpus, Filter{}, options.bin);
  std::unique_ptr<Network> network;
  if (!options.no_network) {
    network = std::make_unique<Network>(BuildNetwork(*corpus, analysis.selection));
    if (!DetectCommunities(*network) || LayoutNetwork(*network, {}) != LayoutOutcome::Done) {
      err << "wrenfold-view: igraph could not lay out the network\n";
      return 1;
    }
  }
  if (!WriteDataFiles(dir, *corpus, analysis, network.get(), &error)) {
    err << "wrenfold-view: " << error << "\n";
    return 1;
  }
  const QDir folder(QString::fromStdString(dir));
  QString why;
  bool ok = SaveChart(MakeVolumeChart(analysis.bins, analysis.bin),
                      folder.filePath(QStringLiteral("volume")), &why) &&
            SaveChart(MakeSentimentChart(analysis.bins, analysis.bin),
                      folder.filePath(QStringLiteral("sentiment")), &why);
  if (ok && network) {
    QGraphicsScene scene;
    DrawNetwork(scene, *network);
    ok = SaveSceneImages(scene, folder.filePath(QStringLiteral("network")), kNetworkWidth, &why);
  }
  if (!ok) {
    err << "wrenfold-view: " << why.toStdString() << "\n";
    return 1;
  }
  out << analysis.summary.tweets << " tweets, " << analysis.bins.size() << " "
      << BinName(analysis.bin) << " bins";
  if (network) out << ", " << network->nodes.size() << " accounts in the network";
  out << ": written to " << dir << "\n";
  return 0;
}

}  // namespace wf::view
