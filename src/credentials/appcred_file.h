#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace wf {

// The stored application credentials: name, consumer key, consumer secret.
using AppCredentials = std::array<std::string, 3>;

// The three stored values of an appcred file's contents (one Base64 line, or the older plain
// three lines), or nothing when it does not hold all three.
std::optional<AppCredentials> ParseAppcred(std::string_view content);

// Reads the file; nothing when it is missing, unreadable or incomplete.
std::optional<AppCredentials> ReadAppcred(const std::string& path);

// Writes the one encoded line, readable by its owner only, through a temporary file.
bool WriteAppcred(const std::string& path, const AppCredentials& credentials, std::string* error);

}  // namespace wf
