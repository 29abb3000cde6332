#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace wf::cli {

enum class ResponseKind { Search, Timeline, UsersLookup, UsersList };

// Reads a saved API response and checks that it is the kind the command expects, so that a
// wrong file gives a clear message instead of a table of junk. On failure `error` says which
// file and what is wrong.
std::optional<std::string> ReadResponse(const std::string& path, ResponseKind kind,
                                        std::string* error);

bool IsArchivePath(const std::string& path);

// Options shared by the conversion commands: boolean flags, "-o FILE", and the inputs.
struct ConversionArgs {
  std::set<std::string> flags;
  std::string output;
  std::vector<std::string> inputs;
  bool help = false;
};

// Empty optional and `error` set on wrong usage.
std::optional<ConversionArgs> ParseConversionArgs(const std::vector<std::string>& args,
                                                  const std::set<std::string>& known_flags,
                                                  std::string* error);

}  // namespace wf::cli
