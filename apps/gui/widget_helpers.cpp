#include "widget_helpers.h"

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

#include "qt_text.h"
#include "table_models.h"
#include "twips.h"
#include "widget_helpers.h"

namespace wf::gui {

QString PanelText(std::string_view s) {
  // Quota panels end in CR LF; a status panel shows one line.
  QString q = ToQ(s);
  q.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  q.replace(QChar('\r'), QChar(' '));
  q.replace(QChar('\n'), QChar(' '));
  return q.trimmed();
}

QDateTime ToQDateTime(const CivilDateTime& dt) {
  return QDateTime(QDate(dt.year, dt.month, dt.day), QTime(dt.hour, dt.minute, dt.second));
}

CivilDateTime ToCivil(const QDateTime& dt) {
  CivilDateTime c;
  c.year = dt.date().year();
  c.month = dt.date().month();
  c.day = dt.date().day();
  c.hour = dt.time().hour();
  c.minute = dt.time().minute();
  c.second = dt.time().second();
  return c;
}

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

QRadioButton* Radio(const QString& caption, const char* name, QWidget* parent) {
  auto* r = new QRadioButton(caption, parent);
  r->setObjectName(QString::fromLatin1(name));
  return r;
}

QToolButton* ClearHistoryButton(const char* name, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(QStringLiteral("\u00d7"));
  b->setToolTip(QStringLiteral("Remove current item from history (will not delete file)"));
  b->setAutoRaise(false);
  return b;
}

QComboBox* HistoryCombo(const char* name, const QString& tip, QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setToolTip(tip);
  // Entries are whole paths (and queries): the box keeps its size and the list opens wider.
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  c->setMinimumContentsLength(16);
  c->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return c;
}

std::vector<int> SelectedRows(const QTableView* view) {
  std::vector<int> rows;
  if (view->selectionModel() == nullptr) return rows;
  for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void SetHistoryEntries(QComboBox* combo, const HistoryList& history) {
  const QSignalBlocker block(combo);
  combo->clear();
  for (const std::string& entry : history.Entries()) {
    const QString text = ToQ(entry);
    combo->addItem(text);
    combo->setItemData(combo->count() - 1, text, Qt::ToolTipRole);
  }
  combo->setCurrentIndex(history.Selected());
}

}  // namespace wf::gui
