#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wf::gui {

struct GuiOptions {
  bool help = false;
  bool version = false;
  std::optional<std::string> data_dir;  // --data-dir: where prefs and appcred live
  std::string api_base;  // --api: base URL of the API (a simulator, say); empty when not given
  std::string ca_file;   // --cacert: extra CA certificate to trust
  std::string error;     // why the command line was refused; empty when fine
};

// The program's own options; `args` excludes the program name and whatever Qt took for itself.
// Both "--name value" and "--name=value" are accepted.
GuiOptions ParseGuiOptions(const std::vector<std::string>& args);

std::string GuiUsage();
std::string GuiVersionText();

}  // namespace wf::gui
