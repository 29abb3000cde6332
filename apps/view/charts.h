#pragma once

#include <QChart>
#include <QGraphicsScene>
#include <QSize>
#include <QString>
#include <QWidget>
#include <vector>

#include "network.h"
#include "series.h"

// The pictures of the visualiser, the same in the window and in a headless export.
namespace wf::view {

// Originals and retweets per bin, stacked.
QChart* MakeVolumeChart(const std::vector<Bin>& bins, BinSize bin);
// Mean Sent+ and Sent- per bin (left axis) and the shares of positive and negative tweets
// (right axis, percent).
QChart* MakeSentimentChart(const std::vector<Bin>& bins, BinSize bin);
// The first `count` items as horizontal bars, the largest on top.
QChart* MakeTopChart(const std::vector<TopItem>& items, const QString& title, int count = 20);

// Colour of a community; the first twelve are far apart, later ones spread round the wheel.
QColor CommunityColour(int community);

// Key of the node index in a node item's data().
inline constexpr int kNodeKey = 0;

// Draws the laid-out network: edges as thin lines (retweets darker), nodes sized by in-degree
// and coloured by community, the names of the most retweeted and mentioned accounts.
void DrawNetwork(QGraphicsScene& scene, const Network& network);

// Writes `base`.png and `base`.svg of a widget (a chart view) at its size. False with `error`
// naming the file that failed.
bool SaveWidgetImages(QWidget& widget, const QString& base, QString* error);
// The same for a whole scene, at `width` pixels across.
bool SaveSceneImages(QGraphicsScene& scene, const QString& base, int width, QString* error);

}  // namespace wf::view
