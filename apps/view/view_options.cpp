#include "view_options.h"

#include <algorithm>
#include <iterator>

namespace wf::view {

ViewOptions ParseViewOptions(const std::vector<std::string>& args) {
  ViewOptions options;
  auto refuse = [&](std::string why) {
    options.error = std::move(why);
    return options;
  };
  std::vector<std::string> files;
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
    } else if (name == "--version") {
      options.version = true;
    } else if (name == "--no-network") {
      options.no_network = true;
    } else if (name == "--export" || name == "--bin" || name == "--screenshot" || name == "--tab") {
      if (!value) {
        if (i + 1 >= args.size()) return refuse(name + " needs a value");
        value = args[++i];
      }
      if (value->empty()) return refuse(name + " needs a value");
      if (name == "--export") {
        options.export_dir = *value;
      } else if (name == "--screenshot") {
        options.screenshot = *value;
      } else if (name == "--tab") {
        static const char* const kTabs[] = {"summary", "volume", "sentiment", "top", "network"};
        const auto* found = std::find(std::begin(kTabs), std::end(kTabs), *value);
        if (found == std::end(kTabs)) {
          return refuse("--tab takes summary, volume, sentiment, top or network: " + *value);
        }
        options.tab = static_cast<int>(found - std::begin(kTabs));
      } else {
        options.bin = BinFromName(*value);
        if (!options.bin) return refuse("--bin takes hour, day or week: " + *value);
      }
    } else if (name == "--") {
      files.insert(files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    } else if (name.size() > 1 && name[0] == '-') {
      return refuse("unknown option: " + args[i]);
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() > 1) return refuse("one tweet table at a time: " + files[1]);
  if (!files.empty()) options.file = files[0];
  if (options.export_dir && options.file.empty() && !options.help && !options.version) {
    return refuse("--export needs a tweet table file");
  }
  if (options.no_network && !options.export_dir) return refuse("--no-network goes with --export");
  if (!options.screenshot.empty() && options.file.empty()) {
    return refuse("--screenshot needs a tweet table file");
  }
  return options;
}

std::string ViewUsage() {
  return "Usage: wrenfold-view [FILE] [--tab NAME] [--bin hour|day|week] [--screenshot PNG]\n"
         "       wrenfold-view --export DIR FILE [--no-network] [--bin hour|day|week]\n"
         "       wrenfold-view --help | --version\n"
         "\n"
         "Shows a tweet table (a .txt or .stwt file saved by wrenfold or wrenfold-cli):\n"
         "volume and sentiment over time, the top accounts, hashtags, mentions and link\n"
         "domains, and the network of who retweets and mentions whom.\n"
         "\n"
         "  --export DIR    write the figures into DIR without a window: summary.json,\n"
         "                  volume.csv, sentiment.csv, top_*.csv, network.graphml,\n"
         "                  network.gexf and the charts as .svg and .png\n"
         "  --no-network    with --export, leave out the network files\n"
         "  --bin SIZE      time bins of hour, day or week (default: hour up to two\n"
         "                  days, day up to 90 days, week beyond)\n"
         "  --tab NAME      the tab shown first: summary, volume (default), sentiment,\n"
         "                  top or network\n"
         "  --screenshot PNG  open FILE, save a picture of the window as PNG and exit\n"
         "  --help          show this text and exit\n"
         "  --version       show the version and exit\n"
         "\n"
         "Exit status: 0 done, 1 the file could not be read or the export written,\n"
         "2 wrong usage. Standard Qt options such as -platform are accepted as well.\n";
}

std::string ViewVersionText() {
  return "Version " WF_VERSION "\n";
}

}  // namespace wf::view
