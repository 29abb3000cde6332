#pragma once

#include <QString>
#include <QWidget>
#include <atomic>
#include <functional>

#include "tweet_corpus.h"

namespace wf::view {

// Runs `work` on a worker thread while the window stays live behind a progress dialog, and
// returns when the work has ended. The work reports through the ProgressFn it is given (the
// dialog's bar follows; until the first report it shows that it is busy) and learns of Cancel
// from that function's answer and from `cancelled`. False when the user cancelled.
bool RunWithProgress(QWidget* parent, const QString& label,
                     const std::function<void(const ProgressFn& progress,
                                              const std::atomic<bool>& cancelled)>& work);

}  // namespace wf::view
