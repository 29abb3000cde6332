#include "credentials/system_info.h"

#include <sys/utsname.h>

#include <map>

#include "util/file_io.h"

namespace wf {
namespace {

// os-release values are shell assignments: unquoted, or in single quotes taken literally, or
// in double quotes where a backslash keeps the next character.
std::string UnquoteShellValue(std::string_view v) {
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r')) {
    v.remove_suffix(1);
  }
  std::string out;
  char quote = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (quote == 0 && (c == '"' || c == '\'')) {
      quote = c;
    } else if (quote != 0 && c == quote) {
      quote = 0;
    } else if (c == '\\' && quote != '\'' && i + 1 < v.size()) {
      out.push_back(v[++i]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string OsReleaseName(std::string_view os_release) {
  std::map<std::string, std::string, std::less<>> values;
  while (!os_release.empty()) {
    const std::size_t end = os_release.find('\n');
    std::string_view line = os_release.substr(0, end);
    os_release.remove_prefix(end == std::string_view::npos ? os_release.size() : end + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) continue;
    values[std::string(line.substr(0, eq))] = UnquoteShellValue(line.substr(eq + 1));
  }
  if (auto it = values.find("PRETTY_NAME"); it != values.end() && !it->second.empty()) {
    return it->second;
  }
  auto name = values.find("NAME");
  if (name == values.end() || name->second.empty()) return {};
  auto version = values.find("VERSION");
  if (version == values.end() || version->second.empty()) return name->second;
  return name->second + " " + version->second;
}

std::string DescribeSystem(std::string_view qt_version) {
  std::string out;
  auto add = [&out](std::string_view label, std::string_view value) {
    if (value.empty()) return;
    if (!out.empty()) out += "\n";
    out.append(label).append(value);
  };
  // /etc/os-release may be missing in containers that still have the vendor copy.
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    if (auto text = ReadWholeFile(path)) {
      add("Distribution: ", OsReleaseName(*text));
      break;
    }
  }
  utsname uts{};
  if (::uname(&uts) == 0) {
    add("Kernel: ", std::string(uts.sysname) + " " + uts.release);
    add("Architecture: ", uts.machine);
  }
  add("Qt version: ", qt_version);
  return out;
}

}  // namespace wf
