#include "qt_ui_port.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "support/test_paths.h"

namespace wf::gui {
namespace {

// Runs `act` on the modal dialog that the next call opens, once it is up.
void WhenDialogOpens(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr || !w->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(w);
  });
  timer->start();
}

void ClickButton(QWidget* w, QMessageBox::StandardButton which) {
  auto* box = qobject_cast<QMessageBox*>(w);
  ASSERT_NE(box, nullptr);
  ASSERT_NE(box->button(which), nullptr);
  box->button(which)->click();
}

TEST(ConvertFileFilter, TurnsPipePairsIntoQtFilters) {
  EXPECT_EQ(ConvertFileFilter("Text (*.txt)|*.txt|Skein Tweet Table (*.stwt)|*.stwt"),
            "Text (*.txt);;Skein Tweet Table (*.stwt)");
  // Qt takes the patterns from the parentheses, so they must be the ones the pair names.
  EXPECT_EQ(ConvertFileFilter("Tables (*.txt)|*.txt;*.sut"), "Tables (*.txt *.sut)");
  EXPECT_EQ(ConvertFileFilter("User keys|*.suk"), "User keys (*.suk)");
  EXPECT_EQ(ConvertFileFilter("All Files (*.*)|*.*"), "All Files (*)");
  EXPECT_EQ(ConvertFileFilter("Text (*.txt)|*.txt|Dangling"), "Text (*.txt)");
  EXPECT_EQ(ConvertFileFilter(""), "");
}

TEST(ConvertFileFilter, PicksTheEntryOfTheDefaultExtension) {
  const QString filters = ConvertFileFilter(
      "Text (*.txt)|*.txt|Skein User Keys (*.suk)|*.suk|Skein User Table (*.sut)|*.sut");
  EXPECT_EQ(FilterForExtension(filters, "suk"), "Skein User Keys (*.suk)");
  EXPECT_EQ(FilterForExtension(filters, "csv"), "Text (*.txt)");
  EXPECT_EQ(FilterForExtension(filters, ""), "Text (*.txt)");
}

TEST(QtUiPort, MessageBoxesAnswerWithTheButtonPressed) {
  QtUiPort ui;
  WhenDialogOpens([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Skein Wrenfold Desktop Edition");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->text(), "line one\nline two");
    ClickButton(w, QMessageBox::No);
  });
  EXPECT_EQ(ui.MessageBox("line one\r\nline two", MsgButtons::YesNo, MsgIcon::Exclamation, ""),
            MsgAnswer::No);

  WhenDialogOpens([](QWidget* w) { ClickButton(w, QMessageBox::Cancel); });
  EXPECT_EQ(ui.MessageBox("Save?", MsgButtons::YesNoCancel, MsgIcon::Question, "Title"),
            MsgAnswer::Cancel);

  WhenDialogOpens([](QWidget* w) { ClickButton(w, QMessageBox::Retry); });
  EXPECT_EQ(ui.MessageBox("Retry?", MsgButtons::RetryCancel, MsgIcon::Critical, "T"),
            MsgAnswer::Retry);
}

TEST(QtUiPort, EscapeGivesTheCautiousAnswer) {
  QtUiPort ui;
  WhenDialogOpens([](QWidget* w) { qobject_cast<QMessageBox*>(w)->reject(); });
  EXPECT_EQ(ui.MessageBox("Go on?", MsgButtons::OkCancel, MsgIcon::None, "T"), MsgAnswer::Cancel);
  WhenDialogOpens([](QWidget* w) { qobject_cast<QMessageBox*>(w)->reject(); });
  EXPECT_EQ(ui.MessageBox("Replace?", MsgButtons::YesNo, MsgIcon::None, "T"), MsgAnswer::No);
}

TEST(QtUiPort, InputBoxReturnsTheTextOrNothing) {
  QtUiPort ui;
  WhenDialogOpens([](QWidget* w) {
    auto* dialog = qobject_cast<QInputDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Set Search Language");
    EXPECT_EQ(dialog->textValue(), "en");
    dialog->setTextValue("fr");
    dialog->accept();
  });
  EXPECT_EQ(ui.InputBox("Enter the ISO-639-1 code", "Set Search Language", "en"), "fr");

  WhenDialogOpens([](QWidget* w) {
    auto* dialog = qobject_cast<QInputDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    // An untitled box is captioned with the application title.
    EXPECT_EQ(dialog->windowTitle(), "Skein Wrenfold Desktop Edition");
    dialog->setTextValue("typed, then cancelled");
    dialog->reject();
  });
  EXPECT_EQ(ui.InputBox("Enter user ScreenName", "", ""), std::nullopt);
}

TEST(QtUiPort, SaveDialogStartsAtTheProposedFileWithTheRightFilter) {
  test::TempDir dir;
  const std::string proposed = dir.File("UntitledTweets1.txt");
  QtUiPort ui;
  WhenDialogOpens([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(),
              QDir(QString::fromStdString(dir.path().string())).canonicalPath());
    EXPECT_EQ(dialog->selectedNameFilter(), "Text (*.txt)");
    EXPECT_EQ(dialog->defaultSuffix(), "txt");
    static_cast<QDialog*>(dialog)->accept();
  });
  FileDialogRequest request;
  request.filter = "Skein Tweet Table (*.stwt)|*.stwt|Text (*.txt)|*.txt";
  request.default_extension = "txt";
  request.file_name = proposed;
  const auto chosen = ui.SaveFileDialog(request);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(QFileInfo(QString::fromStdString(*chosen)).fileName(), "UntitledTweets1.txt");

  WhenDialogOpens([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_EQ(ui.OpenFileDialog(request), std::nullopt);
}

TEST(QtUiPort, BusyPointersDoNotPileUp) {
  QtUiPort ui;
  ui.SetPointer(Pointer::ArrowHourglass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
  ui.SetPointer(Pointer::Hourglass);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  // One restore must bring the normal pointer back however often busy was set.
  ui.SetPointer(Pointer::Default);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  ui.SetPointer(Pointer::Default);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(QtUiPort, ClipboardRoundTripsUnicode) {
  QtUiPort ui;
  ui.SetClipboardText("caf\xc3\xa9\tna\xc3\xafve\r\n");
  EXPECT_EQ(ui.ClipboardText(), "caf\xc3\xa9\tna\xc3\xafve\r\n");
  ui.SetClipboardText("");
  EXPECT_EQ(ui.ClipboardText(), "");
}

}  // namespace
}  // namespace wf::gui
