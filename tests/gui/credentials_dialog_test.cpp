#include "credentials_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "../api/fake_http.h"
#include "main_window_widget.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "util/file_exists.h"

namespace wf::gui {
namespace {

// Start-up as the program does it: the window, disabled, and the credentials window over it.
struct Startup {
  test::TempDir dir;
  test::ScriptedUi ui;
  test::FakeHttp http;
  MainWindow model;
  MainWindowWidget window;
  CredentialsDialog dialog;

  Startup() : model(MainEnv()), window(model, ui), dialog(model, CredEnv(), &window) {
    window.SetShowCredentials([this] { dialog.Open(); });
    model.Form_Load();
    window.show();
    model.SetEnabled(false);
    dialog.Open();
  }
  MainWindowEnvironment MainEnv() {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    return env;
  }
  CredentialsWindow::Environment CredEnv() {
    CredentialsWindow::Environment env;
    env.ui = &ui;
    env.program_folder = dir.path().string();
    env.system_info = [] { return std::string("Debian GNU/Linux 12\nQt 6"); };
    return env;
  }

  QLineEdit* Field(int i) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("tbCred%1").arg(i));
  }
  QPushButton* Button(const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
  }
  QLabel* Status() { return dialog.findChild<QLabel*>(QStringLiteral("Status")); }
  void Type(const QString& app, const QString& key, const QString& secret) {
    QTest::keyClicks(Field(0), app);
    QTest::keyClicks(Field(1), key);
    QTest::keyClicks(Field(2), secret);
  }
};

QColor StatusColour(QLabel* label) {
  return label->palette().color(QPalette::Active, QPalette::WindowText);
}

TEST(CredentialsDialog, OpensUsableOverTheDisabledWindowAndOkWaitsForAllThreeFields) {
  Startup s;
  EXPECT_FALSE(s.window.isEnabled());
  EXPECT_TRUE(s.dialog.isVisible());
  EXPECT_TRUE(s.dialog.isEnabled());
  EXPECT_EQ(s.dialog.windowTitle(), "About Skein Wrenfold Desktop Edition");
  EXPECT_EQ(s.dialog.findChild<QLabel*>("lblVersion")->text(), "Version 1.4.0 (2020)");
  EXPECT_EQ(s.Status()->text(), "Enter valid credentials, then click OK to authenticate.");
  // Shown while the window was disabled, the status must not keep the disabled grey.
  EXPECT_EQ(StatusColour(s.Status()),
            QApplication::palette().color(QPalette::Active, QPalette::WindowText));
  EXPECT_EQ(s.Field(2)->echoMode(), QLineEdit::Password);
  EXPECT_EQ(s.Field(2)->toolTip(), "Always keep your Consumer Secret private");
  EXPECT_EQ(s.Button("cmdSysInfo")->text(), "&System Info...");

  auto* ok = s.Button("cmdOK");
  EXPECT_FALSE(ok->isEnabled());
  s.Type("app", "key", "");
  EXPECT_FALSE(ok->isEnabled());
  QTest::keyClicks(s.Field(2), "s3cret");
  EXPECT_TRUE(ok->isEnabled());
  QTest::keyClick(s.Field(1), Qt::Key_End);
  for (int i = 0; i < 3; ++i) QTest::keyClick(s.Field(1), Qt::Key_Backspace);
  EXPECT_FALSE(ok->isEnabled());
  EXPECT_EQ(s.dialog.Model().Fields()[2], "s3cret");
}

TEST(CredentialsDialog, ShowRevealsTheSecretOnlyWhileHeld) {
  Startup s;
  QPushButton* show = s.Button("ShowSecret");
  QTest::mousePress(show, Qt::LeftButton);
  EXPECT_EQ(s.Field(2)->echoMode(), QLineEdit::Normal);
  QTest::mouseRelease(show, Qt::LeftButton);
  EXPECT_EQ(s.Field(2)->echoMode(), QLineEdit::Password);
}

TEST(CredentialsDialog, SuccessShowsTheBlueMessageThenHandsOverToTheWindow) {
  Startup s;
  s.Type("app", "key", "secret");
  s.http.answers.push_back(
      test::FakeHttp::Ok(R"({"token_type":"bearer","access_token":"AAAA%2Fxyz"})"));
  QString during_text;
  QColor during_colour;
  bool visible_during = false;
  // Sampled inside the one-second pause, which keeps painting and timers going.
  QTimer::singleShot(400, [&] {
    during_text = s.Status()->text();
    during_colour = StatusColour(s.Status());
    visible_during = s.dialog.isVisible();
  });
  QTest::mouseClick(s.Button("cmdOK"), Qt::LeftButton);

  EXPECT_EQ(during_text, "Authentication successful. Wrenfold is now operational!");
  EXPECT_EQ(during_colour, QColor(0, 0, 255));
  EXPECT_TRUE(visible_during);
  EXPECT_FALSE(s.dialog.isVisible());
  EXPECT_TRUE(s.window.isEnabled());
  EXPECT_TRUE(FileExists(s.dir.File("appcred")));
  EXPECT_EQ(s.window.findChild<QLineEdit*>("SearchQuery")->text(), "skein AND twitter");

  // Reopened as the About box, it cannot be closed away while a token exists; OK dismisses it.
  QSignalSpy ended(&s.dialog, &CredentialsDialog::ProgramEnded);
  s.window.findChild<QAction*>("mAbout")->trigger();
  EXPECT_TRUE(s.dialog.isVisible());
  EXPECT_FALSE(s.window.isEnabled());
  EXPECT_FALSE(s.dialog.close());
  EXPECT_TRUE(s.dialog.isVisible());
  EXPECT_EQ(ended.count(), 0);
  const std::size_t requests = s.http.sent.size();
  QTest::mouseClick(s.Button("cmdOK"), Qt::LeftButton);
  EXPECT_FALSE(s.dialog.isVisible());
  EXPECT_TRUE(s.window.isEnabled());
  EXPECT_EQ(s.http.sent.size(), requests);
}

TEST(CredentialsDialog, FailureTurnsTheStatusRedAndKeepsTheFieldsOpen) {
  Startup s;
  s.Type("app", "key", "wrong");
  s.http.answers.push_back(test::FakeHttp::Status(403, "Forbidden"));
  QTest::mouseClick(s.Button("cmdOK"), Qt::LeftButton);
  EXPECT_EQ(s.Status()->text(),
            "Authentication failed: the server refused the consumer key and secret "
            "(403:Forbidden). Check credentials and try again.");
  EXPECT_EQ(StatusColour(s.Status()), QColor(255, 0, 0));
  EXPECT_TRUE(s.dialog.isVisible());
  EXPECT_TRUE(s.Field(0)->isEnabled());
  EXPECT_FALSE(s.window.isEnabled());
}

TEST(CredentialsDialog, ClosingBeforeAnyTokenEndsTheProgram) {
  Startup s;
  QSignalSpy ended(&s.dialog, &CredentialsDialog::ProgramEnded);
  // Escape is no way out: there is no Cancel button to stand for.
  QTest::keyClick(&s.dialog, Qt::Key_Escape);
  EXPECT_TRUE(s.dialog.isVisible());
  EXPECT_TRUE(s.dialog.close());
  EXPECT_EQ(ended.count(), 1);
  EXPECT_TRUE(s.dialog.Model().ProgramEnded());
  EXPECT_FALSE(FileExists(s.dir.File("prefs")));
}

TEST(CredentialsDialog, SecondApiClientGetsOnlyCredentialsThatWonAToken) {
  Startup s;
  s.Type("app", "typed-key", "typed-secret");
  // Before OK has succeeded the fields hold whatever is being typed: nothing is sent.
  s.model.Followers().GUFOp_Click(1);
  s.model.Followers().SetGUF_Id("skein_team");
  s.model.Followers().GetFF_Click(FollowList::kFollowers);
  EXPECT_TRUE(s.http.sent.empty());
  EXPECT_TRUE(s.model.UTwitter().BearerToken().empty());

  s.http.answers.push_back(
      test::FakeHttp::Ok(R"({"token_type":"bearer","access_token":"AAAA%2Fxyz"})"));
  QTest::mouseClick(s.Button("cmdOK"), Qt::LeftButton);
  ASSERT_EQ(s.http.sent.size(), 1u);
  const auto auth_header = [](const test::FakeHttp::Sent& sent) {
    for (const auto& [name, value] : sent.headers) {
      if (name == "Authorization") return value;
    }
    return std::string();
  };
  const std::string first_auth = auth_header(s.http.sent[0]);
  ASSERT_EQ(first_auth.rfind("Basic ", 0), 0u);

  s.http.answers.push_back(test::FakeHttp::Ok(R"({"token_type":"bearer","access_token":"BBBB"})"));
  s.http.answers.push_back(test::FakeHttp::Ok(R"({"users":[],"next_cursor":0})"));
  s.model.Followers().GetFF_Click(FollowList::kFollowers);
  ASSERT_GE(s.http.sent.size(), 2u);
  EXPECT_EQ(auth_header(s.http.sent[1]), first_auth);
  EXPECT_EQ(s.model.UTwitter().BearerToken(), "BBBB");
  EXPECT_EQ(s.model.Twitter().BearerToken(), "AAAA%2Fxyz");
}

TEST(CredentialsDialog, SystemInfoShowsTheDescription) {
  Startup s;
  QTest::mouseClick(s.Button("cmdSysInfo"), Qt::LeftButton);
  ASSERT_EQ(s.ui.messages.size(), 1u);
  EXPECT_EQ(s.ui.messages[0].text, "Debian GNU/Linux 12\nQt 6");
}

}  // namespace
}  // namespace wf::gui
