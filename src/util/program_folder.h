#pragma once

#include <optional>
#include <string>

namespace wf {

// The folder holding prefs, appcred and the classifier's temporary files: `override_dir` when
// given (--data-dir), else the running program's folder when it is writable, else
// $XDG_DATA_HOME/wrenfold (~/.local/share/wrenfold), created when missing. Empty when none can
// be had.
std::string ResolveProgramFolder(const std::optional<std::string>& override_dir);
// The same with the executable's folder given rather than looked up.
std::string ResolveProgramFolder(const std::optional<std::string>& override_dir,
                                 const std::string& executable_folder);

// Folder of the running executable.
std::string ExecutableFolder();

}  // namespace wf
