#pragma once

#include <optional>
#include <string>

namespace wf {

// The folder holding prefs, appcred and the classifier's temporary files: `override_dir` when
// given (--data-dir), else the running program's folder when it is writable and not an
// installed one (see DataFolder), else $XDG_DATA_HOME/wrenfold (~/.local/share/wrenfold),
// created when missing. Empty when none can be had.
std::string ResolveProgramFolder(const std::optional<std::string>& override_dir);
// The same with the executable's folder given rather than looked up.
std::string ResolveProgramFolder(const std::optional<std::string>& override_dir,
                                 const std::string& executable_folder);

// Folder of the running executable.
std::string ExecutableFolder();

// Where installed programs in `executable_folder` (<prefix>/bin) keep their shared data:
// <prefix>/share/wrenfold, found relative to the programs so an installed tree may move.
std::string InstalledDataFolder(const std::string& executable_folder);

// Where a program finds the shared data (the classifier's word lists): the installed data
// folder when it exists, else the executable's own folder (a build tree, an unpacked archive).
std::string DataFolder(const std::string& executable_folder);

}  // namespace wf
