#pragma once

#include <optional>
#include <string>
#include <vector>

#include "series.h"

namespace wf::view {

struct ViewOptions {
  bool help = false;
  bool version = false;
  std::string file;  // the tweet table to show; empty: open one from the window
  std::optional<std::string> export_dir;  // --export DIR: write the files and no window
  bool no_network = false;                // --no-network
  std::optional<BinSize> bin;             // --bin hour|day|week; empty: chosen from the span
  std::string screenshot;                 // --screenshot PNG: a picture of the window, then exit
  int tab = 1;                            // --tab: the tab shown first (0 summary .. 4 network)
  std::string error;                      // why the command line was refused; empty when fine
};

// `args` excludes the program name and whatever Qt took for itself. "--name value" and
// "--name=value" are both accepted.
ViewOptions ParseViewOptions(const std::vector<std::string>& args);

std::string ViewUsage();
std::string ViewVersionText();

}  // namespace wf::view
