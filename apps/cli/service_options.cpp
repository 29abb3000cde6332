#include "service_options.h"

#include <algorithm>

#include "util/program_folder.h"

namespace wf::cli {

std::optional<std::string> ParsedCommand::Value(const std::string& name) const {
  for (const auto& [k, v] : values) {
    if (k == name) return v;
  }
  return std::nullopt;
}

bool ParsedCommand::Flag(const std::string& name) const {
  return std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<ParsedCommand> ParseCommand(const std::vector<std::string>& args,
                                          const std::vector<std::string>& valued_in,
                                          const std::vector<std::string>& flags,
                                          std::string* error) {
  std::vector<std::string> valued = valued_in;
  for (const char* s : {"--api", "--cacert", "--data-dir", "--api-version"}) valued.emplace_back(s);
  ParsedCommand parsed;
  bool only_positional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (only_positional || a.size() < 2 || a[0] != '-') {
      parsed.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      only_positional = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      parsed.help = true;
      continue;
    }
    std::optional<std::string> inline_value;
    if (const std::size_t eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
      inline_value = a.substr(eq + 1);
      a = a.substr(0, eq);
    }
    if (std::find(valued.begin(), valued.end(), a) != valued.end()) {
      std::string value;
      if (inline_value) {
        value = *inline_value;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        *error = "option " + a + " needs a value";
        return std::nullopt;
      }
      if (a == "--api") {
        parsed.service.api = value;
      } else if (a == "--cacert") {
        parsed.service.cacert = value;
      } else if (a == "--data-dir") {
        parsed.service.data_dir = value;
      } else if (a == "--api-version") {
        if (value == "1.1" || value == "1") {
          parsed.service.api_version = 1;
        } else if (value == "2") {
          parsed.service.api_version = 2;
        } else {
          *error = "--api-version takes 1.1 or 2, not " + value;
          return std::nullopt;
        }
      } else {
        parsed.values.emplace_back(a, value);
      }
    } else if (!inline_value && std::find(flags.begin(), flags.end(), a) != flags.end()) {
      parsed.flags.push_back(a);
    } else {
      *error = "unknown option " + a;
      return std::nullopt;
    }
  }
  return parsed;
}

std::string ProgramFolderFor(const ServiceOptions& service, std::string* error) {
  const std::string folder = ResolveProgramFolder(service.data_dir);
  if (folder.empty()) {
    *error = service.data_dir ? "cannot use the data folder " + *service.data_dir
                              : std::string("no writable data folder could be found");
  }
  return folder;
}

}  // namespace wf::cli
