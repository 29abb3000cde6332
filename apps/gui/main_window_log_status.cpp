#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "main_window_widget.h"
#include "qt_text.h"
#include "table_models.h"
#include "twips.h"
#include "widget_helpers.h"

namespace wf::gui {

QWidget* MainWindowWidget::BuildRequestLogFrame() {
  auto* frame = new QGroupBox(QStringLiteral("Request Log"), this);
  frame->setObjectName(QStringLiteral("LogFrame"));

  progress_ = new QListWidget(frame);
  progress_->setObjectName(QStringLiteral("Progress"));
  progress_->setSelectionMode(QAbstractItemView::SingleSelection);
  progress_->setUniformItemSizes(true);
  progress_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(progress_, &QListWidget::clicked, this,
          [this](const QModelIndex& index) { model_.Progress_Click(index.row()); });
  connect(progress_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { log_menu_->popup(progress_->viewport()->mapToGlobal(pos)); });
  auto* copy = new QAction(QStringLiteral("Copy"), progress_);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &MainWindowWidget::CopyLogLines);
  progress_->addAction(copy);

  last_get_ = new QPlainTextEdit(frame);
  last_get_->setObjectName(QStringLiteral("LastGET"));
  last_get_->setReadOnly(true);
  last_get_->setToolTip(QStringLiteral("Text of the last API response"));
  last_get_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  last_get_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  quit_get_ = Button(QStringLiteral("Cancel"), "QuitGet", frame);
  quit_get_->setToolTip(QStringLiteral("Stop the running retrieval"));
  connect(quit_get_, &QPushButton::clicked, this, [this] { model_.Search().QuitGet_Click(); });

  auto* layout = new QVBoxLayout(frame);
  layout->addWidget(progress_, 3);
  layout->addWidget(new QLabel(QStringLiteral("Last response:"), frame));
  layout->addWidget(last_get_, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(quit_get_);
  layout->addLayout(buttons);
  return frame;
}

void MainWindowWidget::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("InfoBar"));
  bar->setSizeGripEnabled(true);
  // Panels 1 and 2 (counts) take a sixth of the width each, 3 and 4 (quota) a third.
  static constexpr std::array<int, 4> kStretch = {1, 1, 2, 2};
  for (std::size_t i = 0; i < info_bar_.size(); ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("InfoBar%1").arg(i + 1));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Long quota texts are cut rather than widening the window.
    panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panel->setMinimumWidth(40);
    bar->addWidget(panel, kStretch[i]);
    info_bar_[i] = panel;
  }
  progress_bar_ = new QProgressBar(bar);
  progress_bar_->setObjectName(QStringLiteral("RetrievalProgress"));
  progress_bar_->setRange(0, 1000);
  progress_bar_->setFixedWidth(220);
  progress_bar_->setVisible(false);
  bar->addPermanentWidget(progress_bar_);
  api_version_ = new QLabel(bar);
  api_version_->setObjectName(QStringLiteral("ApiVersion"));
  bar->addPermanentWidget(api_version_);
}

}  // namespace wf::gui
