// wrenfold-view: charts and the interaction network of a tweet table.
#include <QApplication>
#include <QIcon>
#include <QTabWidget>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "export_run.h"
#include "view_options.h"
#include "view_window.h"

int main(int argc, char** argv) {
  // Answered before Qt starts, so they work without a display; an export needs none either.
  std::vector<std::string> raw(argv + 1, argv + argc);
  const wf::view::ViewOptions early = wf::view::ParseViewOptions(raw);
  if (early.help) {
    std::cout << wf::view::ViewUsage();
    return 0;
  }
  if (early.version) {
    std::cout << wf::view::ViewVersionText();
    return 0;
  }
  if ((early.export_dir || !early.screenshot.empty()) && early.error.empty() &&
      std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }

  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("wrenfold-view"));
  QApplication::setApplicationVersion(QStringLiteral(WF_VERSION));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("wrenfold")));

  // Qt has taken its own options (-platform, -style, ...) out of the list by now.
  std::vector<std::string> args;
  const QStringList qargs = QCoreApplication::arguments();
  for (qsizetype i = 1; i < qargs.size(); ++i) args.push_back(qargs[i].toStdString());
  const wf::view::ViewOptions options = wf::view::ParseViewOptions(args);
  if (!options.error.empty()) {
    std::cerr << "wrenfold-view: " << options.error << "\n\n" << wf::view::ViewUsage();
    return 2;
  }
  if (options.export_dir) return wf::view::RunExport(options, std::cout, std::cerr);

  wf::view::ViewWindow window;
  window.show();
  if (options.bin) window.SetBin(options.bin);
  if (!options.file.empty() && !window.OpenFile(QString::fromStdString(options.file)) &&
      !options.screenshot.empty()) {
    return 1;
  }
  window.Tabs()->setCurrentIndex(options.tab);
  if (!options.screenshot.empty()) {
    QApplication::processEvents();
    if (!window.grab().save(QString::fromStdString(options.screenshot), "PNG")) {
      std::cerr << "wrenfold-view: cannot write " << options.screenshot << "\n";
      return 1;
    }
    return 0;
  }
  return QApplication::exec();
}
