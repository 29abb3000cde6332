// wrenfold: the desktop window.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "api/curl_http.h"
#include "credentials/system_info.h"
#include "credentials_dialog.h"
#include "gui_options.h"
#include "main_window_widget.h"
#include "mainwindow/main_window.h"
#include "qt_text.h"
#include "qt_ui_port.h"
#include "util/program_folder.h"
#include "util/shell_and_wait.h"

namespace {}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so they work without a display.
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << wf::gui::GuiUsage();
      return 0;
    }
    if (arg == "--version") {
      std::cout << wf::gui::GuiVersionText();
      return 0;
    }
  }

  QApplication app(argc, argv);
  // Qt adopts the user's locale for the C library too; the core formats and reads numbers
  // (widths in prefs, quota figures) with the C library and expects a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("wrenfold"));
  QApplication::setApplicationVersion(QStringLiteral(WF_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("wrenfold"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("wrenfold")));

  // Qt has taken its own options (-platform, -style, ...) out of the list by now.
  std::vector<std::string> args;
  const QStringList qargs = QCoreApplication::arguments();
  for (qsizetype i = 1; i < qargs.size(); ++i) args.push_back(wf::gui::FromQ(qargs[i]));
  const wf::gui::GuiOptions options = wf::gui::ParseGuiOptions(args);
  if (!options.error.empty()) {
    std::cerr << "wrenfold: " << options.error << "\n\n" << wf::gui::GuiUsage();
    return 2;
  }

  const std::string folder = wf::ResolveProgramFolder(options.data_dir);
  if (folder.empty()) {
    const QString why = options.data_dir
                            ? QStringLiteral("The folder %1 could not be created.")
                                  .arg(wf::gui::ToQ(*options.data_dir))
                            : QStringLiteral(
                                  "Neither the program's folder nor the user's data folder "
                                  "can hold the program's files. Start it with --data-dir DIR.");
    QMessageBox::critical(nullptr, wf::gui::ToQ(wf::kAppTitle), why);
    return 1;
  }

  wf::CurlHttpClient http(wf::CurlHttpOptions{options.ca_file});
  wf::gui::QtUiPort ui;
  // The window repaints and takes Cancel while a request waits for its answer.
  http.SetWhileWaiting([&ui] { ui.YieldToEvents(); });

  wf::MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = folder;
  if (!options.api_base.empty()) {
    env.api_base = options.api_base;
    env.api_base_given = true;
  }
  env.shell = [&ui](std::string_view command, std::int32_t timeout_ms, int window_style) {
    return wf::ShellAndWait(command, timeout_ms, window_style, 0, &ui);
  };
  wf::MainWindow model(std::move(env));

  wf::gui::MainWindowWidget window(model, ui);
  ui.SetMainWindow(&window);

  wf::CredentialsWindow::Environment credentials_env;
  credentials_env.ui = &ui;
  credentials_env.program_folder = folder;
  credentials_env.system_info = [] { return wf::DescribeSystem(qVersion()); };
  wf::gui::CredentialsDialog credentials(model, std::move(credentials_env), &window);

  window.SetShowCredentials([&credentials] { credentials.Open(); });
  // exit() rather than quit(): quitting would first ask every window to close, and the main
  // window's close writes prefs, which a run that never authenticated must not do.
  QObject::connect(&credentials, &wf::gui::CredentialsDialog::ProgramEnded, &app,
                   [] { QCoreApplication::exit(0); });
  QObject::connect(&window, &wf::gui::MainWindowWidget::Closed, &app, [&credentials] {
    credentials.hide();
    QCoreApplication::exit(0);
  });

  model.Form_Load();
  window.show();
  model.SetEnabled(false);
  credentials.Open();
  return QApplication::exec();
}
