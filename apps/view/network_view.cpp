#include "network_view.h"

#include <QGraphicsItem>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "charts.h"

namespace wf::view {

NetworkView::NetworkView(QWidget* parent) : QGraphicsView(parent) {
  setDragMode(QGraphicsView::ScrollHandDrag);
  setRenderHint(QPainter::Antialiasing);
  setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
  setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);
  setBackgroundBrush(Qt::white);
}

void NetworkView::FitAll() {
  if (scene() != nullptr) fitInView(scene()->sceneRect(), Qt::KeepAspectRatio);
}

void NetworkView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  const double factor = std::pow(1.25, steps);
  scale(factor, factor);
  event->accept();
}

void NetworkView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    for (QGraphicsItem* item : items(event->position().toPoint())) {
      const QVariant node = item->data(kNodeKey);
      if (node.isValid()) {
        emit NodeClicked(node.toULongLong());
        break;
      }
    }
  }
  QGraphicsView::mousePressEvent(event);
}

}  // namespace wf::view
