#include "charts.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBuffer>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsEllipseItem>
#include <QGraphicsPathItem>
#include <QGraphicsSimpleTextItem>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "util/date_time.h"

namespace wf::view {
namespace {

// The axis shows local time, so a table's calendar time is placed at the local instant with
// the same date and clock reading.
qreal AxisTime(std::int64_t serial) {
  const CivilDateTime dt = FromSerialSeconds(serial);
  return static_cast<qreal>(
      QDateTime(QDate(dt.year, dt.month, dt.day), QTime(dt.hour, dt.minute, dt.second))
          .toMSecsSinceEpoch());
}

QDateTimeAxis* TimeAxis(const std::vector<Bin>& bins, BinSize bin) {
  auto* axis = new QDateTimeAxis;
  axis->setFormat(bin == BinSize::Hour ? QStringLiteral("dd/MM hh:mm")
                                       : QStringLiteral("dd/MM/yyyy"));
  axis->setTickCount(std::clamp(static_cast<int>(bins.size()) + 1, 2, 8));
  if (!bins.empty()) {
    axis->setRange(
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(AxisTime(bins.front().start))),
        QDateTime::fromMSecsSinceEpoch(
            static_cast<qint64>(AxisTime(bins.back().start + BinLength(bin)))));
  }
  axis->setTitleText(QStringLiteral("Time (per %1)")
                         .arg(QString::fromUtf8(BinName(bin).data(),
                                                static_cast<qsizetype>(BinName(bin).size()))));
  return axis;
}

// A series drawn as steps: flat across each bin.
void AddSteps(QLineSeries* series, const std::vector<Bin>& bins, BinSize bin,
              double (*value)(const Bin&)) {
  QList<QPointF> points;
  points.reserve(static_cast<qsizetype>(bins.size() * 2));
  for (const Bin& b : bins) {
    points.append({AxisTime(b.start), value(b)});
    points.append({AxisTime(b.start + BinLength(bin)), value(b)});
  }
  series->replace(points);
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setAnimationOptions(QChart::NoAnimation);
  return chart;
}

bool Fail(QString* error, const QString& why) {
  if (error != nullptr) *error = why;
  return false;
}

bool WriteWhole(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    return Fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
  }
  return true;
}

template <typename Paint>
bool SaveImages(const QString& base, QSize size, Paint paint, QString* error) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
  }
  QByteArray png;
  QBuffer png_buffer(&png);
  png_buffer.open(QIODevice::WriteOnly);
  if (!image.save(&png_buffer, "PNG")) {
    return Fail(error, QStringLiteral("cannot make the picture %1.png").arg(base));
  }
  if (!WriteWhole(base + QStringLiteral(".png"), png, error)) return false;

  QByteArray svg;
  QBuffer svg_buffer(&svg);
  QSvgGenerator generator;
  generator.setOutputDevice(&svg_buffer);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setTitle(QStringLiteral("wrenfold-view"));
  {
    QPainter painter(&generator);
    paint(painter);
  }
  return WriteWhole(base + QStringLiteral(".svg"), svg, error);
}

}  // namespace

QChart* MakeVolumeChart(const std::vector<Bin>& bins, BinSize bin) {
  QChart* chart = NewChart(QStringLiteral("Tweets over time"));
  // An area series does not own its boundary lines (originals bounds both areas): the chart
  // does, so that they go with it.
  auto* zero = new QLineSeries(chart);
  auto* originals = new QLineSeries(chart);
  auto* totals = new QLineSeries(chart);
  AddSteps(zero, bins, bin, [](const Bin&) { return 0.0; });
  AddSteps(originals, bins, bin, [](const Bin& b) { return static_cast<double>(b.Originals()); });
  AddSteps(totals, bins, bin, [](const Bin& b) { return static_cast<double>(b.tweets); });
  auto* original_area = new QAreaSeries(originals, zero);
  original_area->setName(QStringLiteral("Originals"));
  original_area->setColor(QColor(0x33, 0x66, 0xcc));
  original_area->setBorderColor(QColor(0x33, 0x66, 0xcc));
  auto* retweet_area = new QAreaSeries(totals, originals);
  retweet_area->setName(QStringLiteral("Retweets"));
  retweet_area->setColor(QColor(0xff, 0x99, 0x33));
  retweet_area->setBorderColor(QColor(0xff, 0x99, 0x33));
  chart->addSeries(original_area);
  chart->addSeries(retweet_area);

  QDateTimeAxis* x = TimeAxis(bins, bin);
  auto* y = new QValueAxis;
  std::uint32_t peak = 0;
  for (const Bin& b : bins) peak = std::max(peak, b.tweets);
  y->setRange(0, std::max<std::uint32_t>(peak, 1));
  y->setLabelFormat(QStringLiteral("%.0f"));
  y->setTitleText(QStringLiteral("Tweets"));
  // Whole numbers of tweets: a small peak gets a tick per tweet rather than repeated labels.
  if (peak <= 5) {
    y->setTickCount(static_cast<int>(std::max<std::uint32_t>(peak, 1)) + 1);
  } else {
    y->applyNiceNumbers();
  }
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QAreaSeries* s : {original_area, retweet_area}) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
  return chart;
}

QChart* MakeSentimentChart(const std::vector<Bin>& bins, BinSize bin) {
  QChart* chart = NewChart(QStringLiteral("Sentiment over time"));
  auto line = [&](const QString& name, QColor colour, Qt::PenStyle style,
                  double (*value)(const Bin&)) {
    auto* s = new QLineSeries;
    s->setName(name);
    QPen pen(colour, 2, style);
    s->setPen(pen);
    AddSteps(s, bins, bin, value);
    chart->addSeries(s);
    return s;
  };
  QLineSeries* mean_pos = line(QStringLiteral("Mean Sent+"), QColor(0x2e, 0x8b, 0x57),
                               Qt::SolidLine, [](const Bin& b) { return b.MeanPositive(); });
  QLineSeries* mean_neg = line(QStringLiteral("Mean Sent-"), QColor(0xc0, 0x39, 0x2b),
                               Qt::SolidLine, [](const Bin& b) { return b.MeanNegative(); });
  QLineSeries* share_pos = line(QStringLiteral("% positive"), QColor(0x2e, 0x8b, 0x57),
                                Qt::DashLine, [](const Bin& b) { return 100 * b.SharePositive(); });
  QLineSeries* share_neg = line(QStringLiteral("% negative"), QColor(0xc0, 0x39, 0x2b),
                                Qt::DashLine, [](const Bin& b) { return 100 * b.ShareNegative(); });
  QDateTimeAxis* x = TimeAxis(bins, bin);
  auto* means = new QValueAxis;
  double top = 1;
  double bottom = -1;
  for (const Bin& b : bins) {
    top = std::max(top, b.MeanPositive());
    bottom = std::min(bottom, b.MeanNegative());
  }
  means->setRange(std::floor(bottom), std::ceil(top));
  means->setTitleText(QStringLiteral("Mean score"));
  auto* shares = new QValueAxis;
  shares->setRange(0, 100);
  shares->setLabelFormat(QStringLiteral("%.0f%%"));
  shares->setTitleText(QStringLiteral("Share of tweets"));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(means, Qt::AlignLeft);
  chart->addAxis(shares, Qt::AlignRight);
  for (QLineSeries* s : {mean_pos, mean_neg, share_pos, share_neg}) s->attachAxis(x);
  mean_pos->attachAxis(means);
  mean_neg->attachAxis(means);
  share_pos->attachAxis(shares);
  share_neg->attachAxis(shares);
  return chart;
}

QChart* MakeTopChart(const std::vector<TopItem>& items, const QString& title, int count) {
  QChart* chart = NewChart(title);
  const int shown = std::min<int>(count, static_cast<int>(items.size()));
  auto* set = new QBarSet(QStringLiteral("Tweets"));
  QStringList names;
  std::uint64_t peak = 1;
  // Bars run bottom to top, so the largest goes last.
  for (int i = shown - 1; i >= 0; --i) {
    const TopItem& item = items[static_cast<std::size_t>(i)];
    *set << static_cast<qreal>(item.count);
    names << QString::fromStdString(item.item);
    peak = std::max(peak, item.count);
  }
  auto* series = new QHorizontalBarSeries;
  series->append(set);
  chart->addSeries(series);
  auto* y = new QBarCategoryAxis;
  y->append(names);
  auto* x = new QValueAxis;
  x->setRange(0, static_cast<qreal>(peak));
  x->setLabelFormat(QStringLiteral("%.0f"));
  x->applyNiceNumbers();
  chart->addAxis(y, Qt::AlignLeft);
  chart->addAxis(x, Qt::AlignBottom);
  series->attachAxis(y);
  series->attachAxis(x);
  chart->legend()->hide();
  return chart;
}

QColor CommunityColour(int community) {
  static const QColor kFirst[] = {
      QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
      QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
      QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22),
      QColor(0x17, 0xbe, 0xcf), QColor(0x39, 0x3b, 0x79), QColor(0x63, 0x79, 0x39)};
  if (community >= 0 && community < 12) return kFirst[community];
  return QColor::fromHsv((community * 137) % 360, 140, 200);
}

void DrawNetwork(QGraphicsScene& scene, const Network& network) {
  scene.clear();
  if (network.nodes.empty()) {
    scene.addSimpleText(QStringLiteral("No retweets or mentions among the selected tweets."));
    return;
  }
  double min_x = network.nodes[0].x, max_x = min_x, min_y = network.nodes[0].y, max_y = min_y;
  for (const NetworkNode& n : network.nodes) {
    min_x = std::min(min_x, n.x);
    max_x = std::max(max_x, n.x);
    min_y = std::min(min_y, n.y);
    max_y = std::max(max_y, n.y);
  }
  const double extent = std::max({max_x - min_x, max_y - min_y, 1e-9});
  const double side =
      std::clamp(std::sqrt(static_cast<double>(network.nodes.size())) * 60, 600.0, 6000.0);
  const double scale = side / extent;
  auto at = [&](const NetworkNode& n) {
    return QPointF((n.x - min_x) * scale, (n.y - min_y) * scale);
  };

  QPainterPath retweets;
  QPainterPath mentions;
  for (const NetworkEdge& e : network.edges) {
    QPainterPath& path = e.type == EdgeType::Retweet ? retweets : mentions;
    path.moveTo(at(network.nodes[e.from]));
    path.lineTo(at(network.nodes[e.to]));
  }
  scene.addPath(mentions, QPen(QColor(120, 120, 200, 90), 0.8))->setZValue(0);
  scene.addPath(retweets, QPen(QColor(90, 90, 90, 110), 0.8))->setZValue(0);

  std::vector<std::size_t> by_weight(network.nodes.size());
  std::iota(by_weight.begin(), by_weight.end(), 0);
  std::sort(by_weight.begin(), by_weight.end(), [&](std::size_t a, std::size_t b) {
    return network.nodes[a].in_weight > network.nodes[b].in_weight;
  });
  for (std::size_t v = 0; v < network.nodes.size(); ++v) {
    const NetworkNode& n = network.nodes[v];
    const double r = std::min(3.0 + 2.0 * std::sqrt(static_cast<double>(n.in_weight)), 40.0);
    const QPointF c = at(n);
    auto* item = scene.addEllipse(c.x() - r, c.y() - r, 2 * r, 2 * r, QPen(Qt::white, 0.5),
                                  QBrush(CommunityColour(n.community)));
    item->setZValue(1 + r / 100);
    item->setData(kNodeKey, static_cast<qulonglong>(v));
    item->setToolTip(QStringLiteral("@%1: %2 tweets, %3 retweeted/mentioned, community %4")
                         .arg(QString::fromStdString(n.label))
                         .arg(n.tweets)
                         .arg(n.in_weight)
                         .arg(n.community));
  }
  QFont font;
  font.setPointSizeF(9);
  for (std::size_t k = 0; k < std::min<std::size_t>(25, by_weight.size()); ++k) {
    const NetworkNode& n = network.nodes[by_weight[k]];
    if (n.in_weight == 0) break;
    auto* text = scene.addSimpleText(QStringLiteral("@") + QString::fromStdString(n.label), font);
    const double r = std::min(3.0 + 2.0 * std::sqrt(static_cast<double>(n.in_weight)), 40.0);
    text->setPos(at(n) + QPointF(r + 2, -6));
    text->setZValue(3);
  }
  scene.setSceneRect(scene.itemsBoundingRect().adjusted(-20, -20, 20, 20));
}

bool SaveWidgetImages(QWidget& widget, const QString& base, QString* error) {
  return SaveImages(
      base, widget.size(), [&](QPainter& p) { widget.render(&p); }, error);
}

bool SaveSceneImages(QGraphicsScene& scene, const QString& base, int width, QString* error) {
  const QRectF source = scene.sceneRect();
  const int height =
      std::max(1, static_cast<int>(width * source.height() / std::max(1.0, source.width())));
  const QSize size(width, std::min(height, 4 * width));
  return SaveImages(
      base, size,
      [&](QPainter& p) { scene.render(&p, QRectF(QPointF(0, 0), QSizeF(size)), source); }, error);
}

}  // namespace wf::view
