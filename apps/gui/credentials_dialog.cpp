#include "credentials_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "mainwindow/main_window.h"
#include "qt_text.h"

namespace wf::gui {

CredentialsDialog::CredentialsDialog(MainWindow& main, CredentialsWindow::Environment env,
                                     QWidget* parent)
    : QDialog(parent), main_(main), model_(main, [&] {
        if (!env.wait_until) {
          env.wait_until = [this](std::chrono::steady_clock::time_point t) { WaitUntil(t); };
        }
        return std::move(env);
      }()) {
  setObjectName(QStringLiteral("frmAbout"));
  setModal(false);
  main_.SetUTwitterAuthenticator([this](TwitterAPI& api) {
    // Only credentials that have already won a token are offered again: before that the
    // fields hold whatever is being typed.
    if (main_.Twitter().BearerToken().empty()) return false;
    const auto& f = model_.Fields();
    return !api.AuthAppAccess(f[0], f[1], f[2]).empty();
  });

  title_ = new QLabel(this);
  title_->setObjectName(QStringLiteral("lblTitle"));
  QFont title_font = title_->font();
  title_font.setPointSizeF(title_font.pointSizeF() * 1.5);
  title_font.setBold(true);
  title_->setFont(title_font);
  version_ = new QLabel(this);
  version_->setObjectName(QStringLiteral("lblVersion"));
  description_ = new QLabel(this);
  description_->setObjectName(QStringLiteral("lblDescription"));
  description_->setWordWrap(true);

  static constexpr std::array<const char*, 3> kLabels = {"Application Name", "Consumer Key",
                                                         "Consumer Secret"};
  auto* form = new QFormLayout;
  for (int i = 0; i < 3; ++i) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("tbCred%1").arg(i));
    field->setMinimumWidth(320);
    fields_[static_cast<std::size_t>(i)] = field;
    connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
      model_.tbCred_Change(i, FromQ(text));
      Refresh();
    });
  }
  fields_[2]->setEchoMode(QLineEdit::Password);
  fields_[2]->setToolTip(QStringLiteral("Always keep your Consumer Secret private"));
  show_secret_ = new QPushButton(QStringLiteral("Show"), this);
  show_secret_->setObjectName(QStringLiteral("ShowSecret"));
  show_secret_->setAutoDefault(false);
  show_secret_->setToolTip(QStringLiteral("Hold down to show the secret"));
  connect(show_secret_, &QPushButton::pressed, this, [this] {
    model_.ShowSecret_MouseDown();
    Refresh();
  });
  connect(show_secret_, &QPushButton::released, this, [this] {
    model_.ShowSecret_MouseUp();
    Refresh();
  });
  form->addRow(QString::fromLatin1(kLabels[0]), fields_[0]);
  form->addRow(QString::fromLatin1(kLabels[1]), fields_[1]);
  auto* secret_row = new QHBoxLayout;
  secret_row->addWidget(fields_[2], 1);
  secret_row->addWidget(show_secret_);
  form->addRow(QString::fromLatin1(kLabels[2]), secret_row);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("Status"));
  status_->setWordWrap(true);
  status_->setMinimumHeight(status_->fontMetrics().height() * 2);

  sys_info_ = new QPushButton(QStringLiteral("&System Info..."), this);
  sys_info_->setObjectName(QStringLiteral("cmdSysInfo"));
  sys_info_->setAutoDefault(false);
  connect(sys_info_, &QPushButton::clicked, this, [this] { model_.cmdSysInfo_Click(); });
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("cmdOK"));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &CredentialsDialog::OkClicked);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(sys_info_);
  buttons->addStretch(1);
  buttons->addWidget(ok_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(version_);
  layout->addSpacing(8);
  layout->addWidget(description_);
  layout->addLayout(form);
  layout->addWidget(status_);
  layout->addLayout(buttons);

  setTabOrder(fields_[0], fields_[1]);
  setTabOrder(fields_[1], fields_[2]);
  setTabOrder(fields_[2], show_secret_);
  setTabOrder(show_secret_, ok_);
  setTabOrder(ok_, sys_info_);
}

CredentialsDialog::~CredentialsDialog() {
  main_.SetUTwitterAuthenticator(nullptr);
}

void CredentialsDialog::Open() {
  model_.Form_Load();
  Refresh();
  show();
  // Loading disabled the main window, and with it this child window; this one stays usable.
  setEnabled(true);
  raise();
  activateWindow();
  QLineEdit* first_empty = nullptr;
  for (QLineEdit* f : fields_) {
    if (f->isEnabled() && f->text().isEmpty()) {
      first_empty = f;
      break;
    }
  }
  if (first_empty != nullptr) {
    first_empty->setFocus();
  } else {
    ok_->setFocus();
  }
}

void CredentialsDialog::Refresh() {
  setWindowTitle(ToQ(model_.Caption()));
  title_->setText(ToQ(model_.TitleLabel()));
  version_->setText(ToQ(model_.VersionLabel()));
  description_->setText(ToQ(model_.DescriptionLabel()));
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const QString text = ToQ(model_.Fields()[i]);
    // Rewriting an unchanged field would move the cursor while the user types.
    if (fields_[i]->text() != text) fields_[i]->setText(text);
    fields_[i]->setEnabled(model_.FieldsEnabled());
  }
  fields_[2]->setEchoMode(model_.SecretShown() ? QLineEdit::Normal : QLineEdit::Password);
  ok_->setEnabled(model_.OkEnabled());
  status_->setText(ToQ(model_.StatusText()));
  // Built from the application's palette, not the label's own: the label may be showing its
  // disabled colours at this moment, and those must not become its normal ones.
  QPalette palette = QApplication::palette(status_);
  switch (model_.StatusTextColour()) {
    case CredentialsWindow::StatusColour::Red:
      palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
      break;
    case CredentialsWindow::StatusColour::Blue:
      palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
      break;
    case CredentialsWindow::StatusColour::Default:
      break;
  }
  status_->setPalette(palette);
}

void CredentialsDialog::OkClicked() {
  model_.cmdOK_Click();
  Refresh();
  if (!model_.Visible()) hide();
}

void CredentialsDialog::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  Refresh();
  repaint();
  // Clicks during the pause would only start the same work again; paint and timers go on.
  while (std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    QThread::msleep(10);
  }
}

void CredentialsDialog::closeEvent(QCloseEvent* event) {
  if (!model_.Form_QueryUnload()) {
    event->ignore();
    return;
  }
  event->accept();
  emit ProgramEnded();
}

}  // namespace wf::gui
