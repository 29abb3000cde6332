#include "qt_ui_port.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStringList>

#include "qt_text.h"

namespace wf::gui {
namespace {

// While the busy pointer is on, a question still has to be answerable with a normal arrow.
class ArrowWhileAsking {
 public:
  explicit ArrowWhileAsking(bool busy) : busy_(busy) {
    if (busy_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileAsking() {
    if (busy_) QGuiApplication::restoreOverrideCursor();
  }
  ArrowWhileAsking(const ArrowWhileAsking&) = delete;
  ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

 private:
  bool busy_;
};

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

struct ButtonSet {
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button;
  QMessageBox::StandardButton escape_button;
};

ButtonSet ToQtButtons(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::OkCancel:
      return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
    case MsgButtons::YesNo:
      return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
    case MsgButtons::YesNoCancel:
      return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
              QMessageBox::Cancel};
    case MsgButtons::RetryCancel:
      return {QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, QMessageBox::Cancel};
    case MsgButtons::Ok:
      break;
  }
  return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

MsgAnswer ToAnswer(int button, MsgButtons asked) {
  switch (button) {
    case QMessageBox::Ok:
      return MsgAnswer::Ok;
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Retry:
      return MsgAnswer::Retry;
    case QMessageBox::Cancel:
      return MsgAnswer::Cancel;
    default:
      break;
  }
  // Closed by the window manager without a button: the most cautious answer on offer.
  switch (asked) {
    case MsgButtons::Ok:
      return MsgAnswer::Ok;
    case MsgButtons::YesNo:
      return MsgAnswer::No;
    default:
      return MsgAnswer::Cancel;
  }
}

QString Patterns(QString pattern) {
  pattern.replace(QChar(';'), QChar(' '));
  QStringList parts = pattern.split(QChar(' '), Qt::SkipEmptyParts);
  // "*.*" matches only names with a dot under Qt; the Windows meaning is every file.
  for (QString& p : parts) {
    if (p == QStringLiteral("*.*")) p = QStringLiteral("*");
  }
  return parts.join(QChar(' '));
}

}  // namespace

QString ConvertFileFilter(std::string_view filter) {
  const QStringList parts = ToQ(filter).split(QChar('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    const QString patterns = Patterns(parts[i + 1]);
    if (patterns.isEmpty()) continue;
    // Qt reads the patterns from the parentheses at the end of the description, so they must
    // be the ones the filter names even when the description shows others.
    const qsizetype open = description.lastIndexOf(QChar('('));
    if (open >= 0 && description.endsWith(QChar(')'))) {
      QString shown = description.mid(open + 1, description.size() - open - 2);
      shown.replace(QChar(';'), QChar(' '));
      if (shown.simplified() == patterns) {
        out << description;
        continue;
      }
      description = description.left(open).trimmed();
    }
    out << (description.isEmpty() ? patterns : description + " (" + patterns + ")");
  }
  return out.join(QStringLiteral(";;"));
}

QString FilterForExtension(const QString& filters, std::string_view extension) {
  const QStringList list = filters.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
  if (list.isEmpty()) return {};
  if (!extension.empty()) {
    const QString wanted = "*." + ToQ(extension);
    for (const QString& f : list) {
      const qsizetype open = f.lastIndexOf(QChar('('));
      const QString inside = open >= 0 ? f.mid(open + 1, f.size() - open - 2) : f;
      if (inside.split(QChar(' '), Qt::SkipEmptyParts).contains(wanted, Qt::CaseInsensitive)) {
        return f;
      }
    }
  }
  return list.front();
}

QWidget* QtUiPort::DialogParent() const {
  // A dialog parented to a disabled window is disabled with it, and the main window is
  // disabled while the credentials window is up, so ask over whatever window is usable.
  QWidget* w = QApplication::activeModalWidget();
  if (w == nullptr) w = QApplication::activeWindow();
  if (w == nullptr) w = main_window_;
  if (w != nullptr && w->isEnabled() && w->isVisible()) return w;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMenu*>(top) != nullptr) continue;
    if (top->isVisible() && top->isEnabled() && qobject_cast<QDialog*>(top) != nullptr) return top;
  }
  return main_window_ != nullptr && main_window_->isEnabled() ? main_window_.data() : nullptr;
}

MsgAnswer QtUiPort::Prompt(const Question&, std::string_view text, MsgButtons buttons, MsgIcon icon,
                           std::string_view caption) {
  const ButtonSet set = ToQtButtons(buttons);
  QMessageBox box(ToQtIcon(icon), ToQ(caption.empty() ? kAppTitle : caption), ToQLines(text),
                  set.buttons, DialogParent());
  box.setDefaultButton(set.default_button);
  box.setEscapeButton(set.escape_button);
  box.setTextFormat(Qt::PlainText);
  ArrowWhileAsking arrow(cursor_overridden_);
  return ToAnswer(box.exec(), buttons);
}

std::optional<std::string> QtUiPort::InputBox(std::string_view prompt, std::string_view title,
                                              std::string_view default_text) {
  QInputDialog dialog(DialogParent());
  dialog.setWindowTitle(ToQ(title.empty() ? kAppTitle : title));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setLabelText(ToQLines(prompt));
  dialog.setTextValue(ToQ(default_text));
  // Some prompts run to two sentences; wrapped, they keep the box a sensible width.
  if (auto* label = dialog.findChild<QLabel*>()) {
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
  }
  dialog.setMinimumWidth(440);
  ArrowWhileAsking arrow(cursor_overridden_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return FromQ(dialog.textValue());
}

std::optional<std::string> QtUiPort::FileDialog(const FileDialogRequest& request, bool save) {
  const QString filters = ConvertFileFilter(request.filter);
  QString title = ToQ(request.title);
  if (title.isEmpty()) title = save ? QStringLiteral("Save As") : QStringLiteral("Open");
  QFileDialog dialog(DialogParent(), title);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters.split(QStringLiteral(";;")));
    dialog.selectNameFilter(FilterForExtension(filters, request.default_extension));
  }
  if (!request.default_extension.empty()) dialog.setDefaultSuffix(ToQ(request.default_extension));
  if (!request.file_name.empty()) {
    const QFileInfo proposed(ToQ(request.file_name));
    if (proposed.isAbsolute()) dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
  }
  ArrowWhileAsking arrow(cursor_overridden_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  return FromQ(files.front());
}

std::optional<std::string> QtUiPort::OpenFileDialog(const FileDialogRequest& request) {
  return FileDialog(request, false);
}

std::optional<std::string> QtUiPort::SaveFileDialog(const FileDialogRequest& request) {
  return FileDialog(request, true);
}

void QtUiPort::SetClipboardText(std::string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (text.empty()) {
    clipboard->clear();
  } else {
    clipboard->setText(ToQ(text));
  }
}

std::string QtUiPort::ClipboardText() {
  return FromQ(QGuiApplication::clipboard()->text());
}

void QtUiPort::SetPointer(Pointer pointer) {
  if (pointer == Pointer::Default) {
    if (cursor_overridden_) QGuiApplication::restoreOverrideCursor();
    cursor_overridden_ = false;
    return;
  }
  const QCursor cursor(pointer == Pointer::Hourglass ? Qt::WaitCursor : Qt::BusyCursor);
  if (cursor_overridden_) {
    QGuiApplication::changeOverrideCursor(cursor);
  } else {
    QGuiApplication::setOverrideCursor(cursor);
    cursor_overridden_ = true;
  }
}

void QtUiPort::YieldToEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace wf::gui
