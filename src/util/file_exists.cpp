#include "util/file_exists.h"

#include <sys/stat.h>

#include <string>

namespace wf {

bool FileExists(std::string_view path) {
  if (path.empty()) return false;
  const std::string p(path);
  if (p.find('\0') != std::string::npos) return false;
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return false;
  return !S_ISDIR(st.st_mode);
}

}  // namespace wf
