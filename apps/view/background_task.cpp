#include "background_task.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <thread>

namespace wf::view {

bool RunWithProgress(QWidget* parent, const QString& label,
                     const std::function<void(const ProgressFn&, const std::atomic<bool>&)>& work) {
  constexpr int kSteps = 1000;
  std::atomic<bool> cancelled{false};
  std::atomic<int> reached{-1};
  QProgressDialog dialog(label, QStringLiteral("Cancel"), 0, 0, parent);
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setMinimumDuration(500);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);
  QObject::connect(&dialog, &QProgressDialog::canceled, [&] { cancelled = true; });

  // The bar is redrawn from the main thread only; the worker just leaves its figure here.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    const int value = reached.load();
    if (value < 0) return;
    if (dialog.maximum() != kSteps) dialog.setRange(0, kSteps);
    dialog.setValue(value);
  });
  poll.start(50);

  QEventLoop loop;
  const ProgressFn progress = [&](double share) {
    reached = static_cast<int>(std::clamp(share, 0.0, 1.0) * (kSteps - 1));
    return !cancelled.load();
  };
  std::thread worker([&] {
    work(progress, cancelled);
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  poll.stop();
  const bool finished = !cancelled.load();
  // Closing the dialog would report a cancel of its own.
  dialog.hide();
  return finished;
}

}  // namespace wf::view
