#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wf {

// Whole file as raw bytes; empty optional (and `error` set) when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error = nullptr);

// Writes `data` to a temporary file beside `path` and renames it into place, so a failure
// never leaves a partial file where a good one stood.
bool WriteFileAtomically(const std::string& path, std::string_view data,
                         std::string* error = nullptr);

// As WriteFileAtomically, but the file is readable and writable by its owner only, from its
// creation on; a file it replaces may have been more open.
bool WritePrivateFileAtomically(const std::string& path, std::string_view data,
                                std::string* error = nullptr);

bool AppendToFile(const std::string& path, std::string_view data, std::string* error = nullptr);

}  // namespace wf
