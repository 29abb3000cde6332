#include "gui_options.h"

#include <string_view>

#include "api/twitter_api.h"

namespace wf::gui {

GuiOptions ParseGuiOptions(const std::vector<std::string>& args) {
  GuiOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const std::size_t eq = name.find('=');
        name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (name == "--version") {
      options.version = true;
      continue;
    }
    if (name != "--data-dir" && name != "--api" && name != "--cacert") {
      options.error = "unknown option: " + args[i];
      return options;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        options.error = name + " needs a value";
        return options;
      }
      value = args[++i];
    }
    if (value->empty()) {
      options.error = name + " needs a value";
      return options;
    }
    if (name == "--data-dir") {
      options.data_dir = *value;
    } else if (name == "--api") {
      std::string base = *value;
      while (base.size() > 1 && base.back() == '/') base.pop_back();
      if (base.rfind("http://", 0) != 0 && base.rfind("https://", 0) != 0) {
        options.error = "--api needs an http:// or https:// address: " + *value;
        return options;
      }
      options.api_base = base;
    } else {
      options.ca_file = *value;
    }
  }
  return options;
}

std::string GuiUsage() {
  return "Usage: wrenfold [--data-dir DIR] [--api URL] [--cacert FILE]\n"
         "  or:  wrenfold --help | --version\n"
         "\n"
         "Skein Wrenfold Desktop Edition: collects tweets, timelines and user profiles\n"
         "from the Twitter API v1.1 into tables you can filter, score and save.\n"
         "\n"
         "  --data-dir DIR  keep prefs and appcred in DIR (default: the program's folder\n"
         "                  when writable and not installed, else\n"
         "                  $XDG_DATA_HOME/wrenfold)\n"
         "  --api URL       base address of the API (default https://api.twitter.com);\n"
         "                  Settings > Set API Host changes it while running\n"
         "  --cacert FILE   also trust the CA certificate(s) in FILE (PEM), e.g. a local\n"
         "                  simulator's self-signed certificate\n"
         "  --help          show this text and exit\n"
         "  --version       show the version and exit\n"
         "\n"
         "Standard Qt options such as -platform and -style are accepted as well.\n";
}

std::string GuiVersionText() {
  return "wrenfold " WF_VERSION "\n";
}

}  // namespace wf::gui
