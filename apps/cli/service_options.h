#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wf::cli {

// Options every command that talks to the API takes: --api URL, --cacert FILE, --data-dir DIR,
// --api-version 1.1|2.
struct ServiceOptions {
  std::string api;
  std::string cacert;
  std::optional<std::string> data_dir;
  int api_version = 0;        // 1 or 2 when given; 0: the data folder's prefs decide (else 1.1)
  bool full_archive = false;  // search through the full-archive endpoint (v2)
};

// Takes the service options (and "--name value" / "--name=value" pairs named in `valued`, and
// flags named in `flags`) out of `args`; what remains are positional arguments. Empty optional
// and `error` set on wrong usage.
struct ParsedCommand {
  ServiceOptions service;
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> values;
  std::vector<std::string> flags;
  bool help = false;

  std::optional<std::string> Value(const std::string& name) const;
  bool Flag(const std::string& name) const;
};

std::optional<ParsedCommand> ParseCommand(const std::vector<std::string>& args,
                                          const std::vector<std::string>& valued,
                                          const std::vector<std::string>& flags,
                                          std::string* error);

// The program folder the options name (or the default one); empty with `error` set when none.
std::string ProgramFolderFor(const ServiceOptions& service, std::string* error);

}  // namespace wf::cli
