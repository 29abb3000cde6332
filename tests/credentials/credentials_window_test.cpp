#include "credentials/credentials_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "../api/fake_http.h"
#include "credentials/system_info.h"
#include "mainwindow/main_window.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "util/file_exists.h"

namespace wf {
namespace {

using Clock = std::chrono::steady_clock;
using Colour = CredentialsWindow::StatusColour;
using Triple = std::array<std::string, 3>;

constexpr std::string_view kEnterValid = "Enter valid credentials, then click OK to authenticate.";
constexpr std::string_view kLoaded = "Loaded previous credentials. Click OK to authenticate.";

// Long enough for the encoder to break its output into lines, and with a character outside
// ASCII, so the stored line shows both the Windows-1252 bytes and the removed line breaks.
const Triple kCred = {"Café research app", "xvz1evFS4wEEPTGEFPHBog",
                      "L8qq9PZyRg6ieKGEKhZolGC0vJWLw8iEJ88DRdyOg"};
constexpr std::string_view kStoredLine =
    "Q2Fm6SByZXNlYXJjaCBhcHANCnh2ejFldkZTNHdFRVBUR0VGUEhCb2cNCkw4cXE5UFp5Umc2aWVLR0VLaFpvbEdDMHZK"
    "V0x3OGlFSjg4RFJkeU9n\r\n";

test::FakeHttp::Answer Token() {
  return test::FakeHttp::Ok(R"({"token_type":"bearer","access_token":"AAAA%2Fxyz"})");
}

unsigned Mode(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 0777;
}

std::ptrdiff_t EntryCount(const std::filesystem::path& folder) {
  return std::distance(std::filesystem::directory_iterator(folder), {});
}

// One run of the program over a program folder: the main window and its credentials window,
// opened as at start-up.
struct Session {
  struct AtWait {
    Clock::time_point deadline;
    bool visible;
    bool file_written;
  };

  explicit Session(const std::string& folder, bool record_waits = true)
      : main(MainEnv(folder)), win(main, Env(folder, record_waits)) {
    win.Form_Load();
  }

  MainWindowEnvironment MainEnv(const std::string& folder) {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = folder;
    return env;
  }
  CredentialsWindow::Environment Env(const std::string& folder, bool record_waits) {
    CredentialsWindow::Environment env;
    env.ui = &ui;
    env.program_folder = folder;
    if (record_waits) {
      env.wait_until = [this](Clock::time_point deadline) {
        if (during_wait) during_wait();
        waits.push_back({deadline, win.Visible(), FileExists(win.AppcredPath())});
      };
    }
    return env;
  }
  void Type(const Triple& cred) {
    for (int i = 0; i < 3; ++i) win.tbCred_Change(i, cred[static_cast<std::size_t>(i)]);
  }

  test::FakeHttp http;
  test::ScriptedUi ui;
  MainWindow main;
  std::vector<AtWait> waits;
  std::function<void()> during_wait;  // what the user does while the pause yields
  CredentialsWindow win;
};

TEST(CredentialsWindow, OpensEmptyWithoutStoredCredentialsAndOkNeedsAllThree) {
  test::TempDir dir;
  Session run(dir.path().string());
  EXPECT_EQ(run.win.Caption(), "About Skein Wrenfold Desktop Edition");
  EXPECT_EQ(run.win.VersionLabel(), "Version 1.4.0 (2020)");
  EXPECT_EQ(run.win.Fields(), (Triple{"", "", ""}));
  EXPECT_FALSE(run.win.OkEnabled());
  EXPECT_EQ(run.win.StatusText(), kEnterValid);
  EXPECT_FALSE(run.main.Enabled());

  run.Type({"app", "key", ""});
  EXPECT_FALSE(run.win.OkEnabled());
  run.win.tbCred_Change(2, "secret");
  EXPECT_TRUE(run.win.OkEnabled());
  for (int i = 0; i < 3; ++i) {
    const std::string kept = run.win.Fields()[static_cast<std::size_t>(i)];
    run.win.tbCred_Change(i, "");
    EXPECT_FALSE(run.win.OkEnabled()) << "field " << i << " cleared";
    run.win.tbCred_Change(i, kept);
    EXPECT_TRUE(run.win.OkEnabled()) << "field " << i << " refilled";
  }

  // Without a token, closing the window ends the program.
  EXPECT_TRUE(run.win.Form_QueryUnload());
  EXPECT_TRUE(run.win.ProgramEnded());
}

TEST(CredentialsWindow, SuccessStoresPrivateEncodedLineAndHandsOverAfterThePause) {
  test::TempDir dir;
  // The hand-over restores the last session from prefs; its language shows it was read.
  test::WriteBytes(dir.File("prefs"), "LA-fr\r\n");
  {
    Session run(dir.path().string());
    run.Type(kCred);
    run.http.answers.push_back(Token());
    // A second click on OK while the success message shows does not cut the pause short.
    run.during_wait = [&run] { run.win.cmdOK_Click(); };
    const auto before = Clock::now();
    run.win.cmdOK_Click();
    const auto after = Clock::now();
    run.during_wait = nullptr;

    ASSERT_EQ(run.http.sent.size(), 1u);
    EXPECT_FALSE(run.win.FieldsEnabled());
    EXPECT_EQ(run.win.StatusText(), "Authentication successful. Wrenfold is now operational!");
    EXPECT_EQ(run.win.StatusTextColour(), Colour::Blue);

    // The pause comes after the file is written, with the window still up, and ends one
    // second after the message appeared.
    ASSERT_EQ(run.waits.size(), 1u);
    EXPECT_TRUE(run.waits[0].visible);
    EXPECT_TRUE(run.waits[0].file_written);
    EXPECT_GE(run.waits[0].deadline, before + std::chrono::seconds(1));
    EXPECT_LE(run.waits[0].deadline, after + std::chrono::seconds(1));

    EXPECT_FALSE(run.win.Visible());
    EXPECT_TRUE(run.main.Enabled());
    EXPECT_EQ(run.main.SearchQuery(), "skein AND twitter");
    EXPECT_EQ(run.main.SearchLang(), "fr");
    EXPECT_TRUE(run.ui.messages.empty());

    // Reopened from the menu: closing is refused, OK only hides it; nothing is sent or paused.
    run.win.Form_Load();
    EXPECT_FALSE(run.main.Enabled());
    EXPECT_FALSE(run.win.Form_QueryUnload());
    EXPECT_FALSE(run.win.ProgramEnded());
    run.win.cmdOK_Click();
    EXPECT_FALSE(run.win.Visible());
    EXPECT_TRUE(run.main.Enabled());
    EXPECT_EQ(run.http.sent.size(), 1u);
    EXPECT_EQ(run.waits.size(), 1u);
  }
  EXPECT_EQ(test::ReadBytes(dir.File("appcred")), kStoredLine);
  EXPECT_EQ(Mode(dir.File("appcred")), 0600u);
  EXPECT_EQ(EntryCount(dir.path()), 2);  // appcred and prefs, no temporary left over

  Session next(dir.path().string());
  EXPECT_EQ(next.win.Fields(), kCred);
  EXPECT_TRUE(next.win.OkEnabled());
  EXPECT_EQ(next.win.StatusText(), kLoaded);
}

TEST(CredentialsWindow, PlainThreeLineFileIsReadAndReplacedByAPrivateEncodedOne) {
  test::TempDir dir;
  const std::string path = dir.File("appcred");
  // As the Windows program left it: Windows-1252 bytes, readable by all.
  test::WriteBytes(path, "Caf\xE9 research app\r\n" + kCred[1] + "\r\n" + kCred[2] + "\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);

  Session run(dir.path().string());
  EXPECT_EQ(run.win.Fields(), kCred);
  EXPECT_TRUE(run.win.OkEnabled());
  EXPECT_EQ(run.win.StatusText(), kLoaded);
  run.http.answers.push_back(Token());
  run.win.cmdOK_Click();
  EXPECT_EQ(test::ReadBytes(path), kStoredLine);
  EXPECT_EQ(Mode(path), 0600u);

  // As a Linux editor leaves it: UTF-8, lines ended by LF alone.
  test::WriteBytes(path, "Café research app\nkey\nsecret");
  Session edited(dir.path().string());
  EXPECT_EQ(edited.win.Fields(), (Triple{kCred[0], "key", "secret"}));
}

TEST(CredentialsWindow, DamagedOrIncompleteFileCountsAsAbsentAndIsLeftAlone) {
  const std::string cases[] = {
      "abc\r\n",             // not a Base64 length
      "b25seQ0KdHdv\r\n",    // decodes to two values only
      "",                    //
      "app\r\nkey only\r\n"  // plain, one line short
  };
  for (const std::string& content : cases) {
    SCOPED_TRACE(content);
    test::TempDir dir;
    test::WriteBytes(dir.File("appcred"), content);
    Session run(dir.path().string());
    EXPECT_EQ(run.win.Fields(), (Triple{"", "", ""}));
    EXPECT_FALSE(run.win.OkEnabled());
    EXPECT_EQ(run.win.StatusText(), kEnterValid);
    EXPECT_TRUE(run.ui.messages.empty());
    EXPECT_EQ(test::ReadBytes(dir.File("appcred")), content);
  }
}

TEST(CredentialsWindow, FailedAuthenticationIsRedAndTheUserMayTryAgain) {
  test::TempDir dir;
  Session run(dir.path().string());
  run.Type({"app", "wrong", "secret"});
  run.http.answers.push_back(test::FakeHttp::Status(403, "Forbidden"));
  run.win.cmdOK_Click();
  EXPECT_EQ(run.win.StatusText(),
            "Authentication failed: the server refused the consumer key and secret "
            "(403:Forbidden). Check credentials and try again.");
  EXPECT_EQ(run.win.StatusTextColour(), Colour::Red);
  EXPECT_TRUE(run.win.FieldsEnabled());
  EXPECT_FALSE(run.main.Enabled());
  EXPECT_FALSE(FileExists(dir.File("appcred")));

  run.win.tbCred_Change(1, "right");
  run.http.answers.push_back(Token());
  run.win.cmdOK_Click();
  EXPECT_EQ(run.win.StatusTextColour(), Colour::Blue);
  EXPECT_EQ(run.http.sent.size(), 2u);
  EXPECT_TRUE(run.main.Enabled());
}

// The three reasons a token request fails want different remedies, so the status names which.
TEST(CredentialsWindow, FailedAuthenticationSaysWhetherRefusedUnreachableOrUntrusted) {
  test::TempDir dir;
  Session run(dir.path().string());
  run.Type({"app", "key", "secret"});
  run.http.answers.push_back(test::FakeHttp::Unreachable());
  run.win.cmdOK_Click();
  EXPECT_EQ(run.win.StatusText(),
            "Authentication failed: the server could not be reached (scripted failure). Check "
            "the connection, then try again.");
  EXPECT_EQ(run.win.StatusTextColour(), Colour::Red);

  run.http.answers.push_back(test::FakeHttp::UntrustedCertificate());
  run.win.cmdOK_Click();
  EXPECT_EQ(run.win.StatusText(),
            "Authentication failed: the server's TLS certificate could not be verified (SSL "
            "certificate problem: self-signed certificate); the system's CA store, or a "
            "certificate given with --cacert, decides which servers are trusted.");

  run.http.answers.push_back(test::FakeHttp::Ok(R"({"token_type":"mac","access_token":"x"})"));
  run.win.cmdOK_Click();
  EXPECT_EQ(run.win.StatusText(),
            "Authentication failed: the server's answer held no bearer token (200:OK). Check "
            "credentials and try again.");
  EXPECT_TRUE(run.win.FieldsEnabled());
  EXPECT_FALSE(FileExists(dir.File("appcred")));
}

TEST(CredentialsWindow, UnwritableFileIsReportedAndTheTokenStillServes) {
  test::TempDir dir;
  // A folder in the file's place cannot be replaced by a file, whoever the tests run as.
  std::filesystem::create_directory(dir.File("appcred"));
  Session run(dir.path().string());
  run.Type({"app", "key", "secret"});
  run.http.answers.push_back(Token());
  run.win.cmdOK_Click();

  ASSERT_EQ(run.ui.messages.size(), 1u);
  const auto& m = run.ui.messages[0];
  EXPECT_EQ(m.icon, MsgIcon::Exclamation);
  EXPECT_EQ(m.caption, kAppTitle);
  EXPECT_NE(m.text.find(dir.File("appcred")), std::string::npos) << m.text;
  EXPECT_NE(m.text.find("directory"), std::string::npos) << m.text;  // the system's reason
  EXPECT_FALSE(run.win.Visible());
  EXPECT_TRUE(run.main.Enabled());
  EXPECT_EQ(EntryCount(dir.path()), 1);
}

TEST(CredentialsWindow, DefaultPauseLastsASecondAndKeepsTheWindowResponsive) {
  test::TempDir dir;
  Session run(dir.path().string(), /*record_waits=*/false);
  run.Type({"app", "key", "secret"});
  run.http.answers.push_back(Token());
  const auto before = Clock::now();
  run.win.cmdOK_Click();
  EXPECT_GE(Clock::now() - before, std::chrono::seconds(1));
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(3));
  EXPECT_GT(run.ui.yields, 5);
}

TEST(SystemInfo, DistributionNameFromOsRelease) {
  EXPECT_EQ(OsReleaseName("NAME=\"Debian GNU/Linux\"\n"
                          "# PRETTY_NAME=\"commented out\"\n"
                          "PRETTY_NAME=\"Debian GNU/Linux 12 \\\"bookworm\\\"\"\n"),
            "Debian GNU/Linux 12 \"bookworm\"");
  EXPECT_EQ(OsReleaseName("NAME=Fedora\nVERSION='39 (Workstation)'\n"), "Fedora 39 (Workstation)");
}

}  // namespace
}  // namespace wf
