#include "util/program_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

// Set by the build from the install layout (GNUInstallDirs); this is its default.
#ifndef WF_DATA_FROM_BINDIR
#define WF_DATA_FROM_BINDIR "../share/wrenfold"
#endif

namespace wf {
namespace {

namespace fs = std::filesystem;

// mkdir -p with owner-only folders: the folder ends up holding the consumer secret, so what
// we create ourselves is closed to other users. Folders that already exist are left as they are.
bool MakeFolders(const fs::path& folder) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return true;
  fs::path partial;
  for (const fs::path& part : folder) {
    partial /= part;
    if (fs::is_directory(partial, ec)) continue;
    if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return fs::is_directory(folder, ec);
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    return pw->pw_dir;
  }
  return {};
}

// $XDG_DATA_HOME/wrenfold; the XDG base directory rules say a relative value is to be
// ignored, so it falls back to ~/.local/share as if unset.
fs::path UserDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
    return fs::path(xdg) / "wrenfold";
  }
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return fs::path(home) / ".local" / "share" / "wrenfold";
}

std::string WithoutTrailingSlash(fs::path p) {
  std::string s = p.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec || self.empty()) return {};
  return self.parent_path().string();
}

std::string InstalledDataFolder(const std::string& executable_folder) {
  if (executable_folder.empty()) return {};
  return WithoutTrailingSlash(fs::path(executable_folder) / WF_DATA_FROM_BINDIR);
}

std::string DataFolder(const std::string& executable_folder) {
  std::error_code ec;
  const std::string installed = InstalledDataFolder(executable_folder);
  if (!installed.empty() && fs::is_directory(installed, ec)) return installed;
  return executable_folder;
}

std::string ResolveProgramFolder(const std::optional<std::string>& override_dir) {
  return ResolveProgramFolder(override_dir, ExecutableFolder());
}

std::string ResolveProgramFolder(const std::optional<std::string>& override_dir,
                                 const std::string& executable_folder) {
  if (override_dir && !override_dir->empty()) {
    std::error_code ec;
    fs::path dir = fs::absolute(*override_dir, ec);
    if (ec) return {};
    return MakeFolders(dir) ? WithoutTrailingSlash(dir) : std::string();
  }
  // Run from an unpacked archive or a build tree, the program keeps its files beside itself,
  // as it always has. Installed, it uses the user's data folder even when it could write to
  // the programs' folder (run as root, or installed under the home folder): prefs and
  // credentials do not belong among the programs.
  std::error_code ec;
  const std::string installed = InstalledDataFolder(executable_folder);
  const bool is_installed = !installed.empty() && fs::is_directory(installed, ec);
  if (!executable_folder.empty() && !is_installed &&
      ::access(executable_folder.c_str(), W_OK) == 0) {
    return WithoutTrailingSlash(executable_folder);
  }
  const fs::path data = UserDataFolder();
  if (data.empty() || !MakeFolders(data)) return {};
  return WithoutTrailingSlash(data);
}

}  // namespace wf
