#pragma once

#include <QGraphicsView>

namespace wf::view {

// The network drawing: the wheel zooms about the pointer, dragging pans, and a click on a
// node reports its index.
class NetworkView : public QGraphicsView {
  Q_OBJECT
 public:
  explicit NetworkView(QWidget* parent = nullptr);
  // Shows the whole drawing.
  void FitAll();

 signals:
  void NodeClicked(qulonglong node);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace wf::view
