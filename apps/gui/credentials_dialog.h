#pragma once

#include <QDialog>
#include <array>

#include "credentials/credentials_window.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace wf::gui {

// The application credentials window, also the About box. All decisions are the
// CredentialsWindow's; this only shows its state and passes the user's actions on.
class CredentialsDialog : public QDialog {
  Q_OBJECT

 public:
  // `env.wait_until` is provided here when left empty, so the success message is painted
  // before the pause. `main` gets the way to authenticate its second API client (the user
  // tables') with the credentials that authenticated the first; the destructor takes it back.
  CredentialsDialog(MainWindow& main, CredentialsWindow::Environment env,
                    QWidget* parent = nullptr);
  ~CredentialsDialog() override;

  CredentialsWindow& Model() { return model_; }

  // Start-up and About: (re)loads the window and shows it without waiting.
  void Open();
  // Shows the model's state.
  void Refresh();

 signals:
  // Closed before any token existed: the program is to end.
  void ProgramEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape: there is no Cancel here, and closing would end the program.
  void reject() override {}

 private:
  void OkClicked();
  void WaitUntil(std::chrono::steady_clock::time_point deadline);

  MainWindow& main_;
  CredentialsWindow model_;
  QLabel* title_ = nullptr;
  QLabel* version_ = nullptr;
  QLabel* description_ = nullptr;
  std::array<QLineEdit*, 3> fields_{};
  QPushButton* show_secret_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* sys_info_ = nullptr;
};

}  // namespace wf::gui
