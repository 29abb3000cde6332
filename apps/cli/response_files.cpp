#include "response_files.h"

#include "records/member_scan.h"
#include "util/file_io.h"

namespace wf::cli {
namespace {

std::size_t FirstNonSpace(const std::string& s) {
  return s.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
}

// The text of a JSON string value that DirectMemberValue found.
std::string StringValue(std::string_view value) {
  if (value.empty() || value[0] != '"') return {};
  std::string out;
  for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    out.push_back(value[i]);
  }
  return out;
}

// Twitter's error bodies: {"errors":[{"code":..,"message":".."}]} or {"error":".."}.
std::optional<std::string> ApiError(std::string_view members) {
  if (const auto e = DirectMemberValue(members, "errors")) {
    const std::size_t at = e->find("\"message\"");
    std::string message;
    if (at != std::string_view::npos) {
      const auto m = DirectMemberValue(e->substr(at), "message");
      if (m) message = StringValue(*m);
    }
    return message.empty() ? std::string("unknown error") : message;
  }
  if (const auto e = DirectMemberValue(members, "error")) return StringValue(*e);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadResponse(const std::string& path, ResponseKind kind,
                                        std::string* error) {
  std::string io_error;
  auto text = ReadWholeFile(path, &io_error);
  if (!text) {
    *error = io_error;
    return std::nullopt;
  }
  const std::size_t first = FirstNonSpace(*text);
  if (first == std::string::npos) {
    *error = path + ": the file is empty";
    return std::nullopt;
  }
  const char open = (*text)[first];
  const std::string_view members = std::string_view(*text).substr(first + 1);
  if (open == '{') {
    if (const auto api = ApiError(members)) {
      *error = path + ": the API answered with an error: " + *api;
      return std::nullopt;
    }
  }
  switch (kind) {
    case ResponseKind::Search:
      if (open != '{' || !DirectMemberValue(members, "statuses")) {
        *error = path +
                 ": not a search response (no \"statuses\" member); use --timeline for user "
                 "timelines";
        return std::nullopt;
      }
      break;
    case ResponseKind::Timeline:
      if (open != '[') {
        *error = path + ": not a user timeline response (expected a JSON array of tweets)";
        return std::nullopt;
      }
      break;
    case ResponseKind::UsersLookup:
      if (open != '[') {
        *error = path +
                 ": not a users/lookup response (expected a JSON array of users); use --list "
                 "for followers or friends pages";
        return std::nullopt;
      }
      break;
    case ResponseKind::UsersList:
      if (open != '{' || !DirectMemberValue(members, "users")) {
        *error = path + ": not a followers or friends page (no \"users\" member)";
        return std::nullopt;
      }
      break;
  }
  return text;
}

bool IsArchivePath(const std::string& path) {
  return path.size() > 6 && path.compare(path.size() - 6, 6, ".jsonl") == 0;
}

std::optional<ConversionArgs> ParseConversionArgs(const std::vector<std::string>& args,
                                                  const std::set<std::string>& known_flags,
                                                  std::string* error) {
  ConversionArgs parsed;
  bool only_inputs = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (only_inputs || a.empty() || a[0] != '-' || a == "-") {
      parsed.inputs.push_back(a);
    } else if (a == "--") {
      only_inputs = true;
    } else if (a == "--help" || a == "-h") {
      parsed.help = true;
    } else if (a == "-o" || a == "--output") {
      if (i + 1 >= args.size()) {
        *error = "option " + a + " needs a file name";
        return std::nullopt;
      }
      parsed.output = args[++i];
    } else if (a.rfind("--output=", 0) == 0) {
      parsed.output = a.substr(9);
    } else if (known_flags.count(a) != 0) {
      parsed.flags.insert(a);
    } else {
      *error = "unknown option " + a;
      return std::nullopt;
    }
  }
  if (parsed.help) return parsed;
  if (parsed.inputs.empty()) {
    *error = "no response files given";
    return std::nullopt;
  }
  if (parsed.output.empty()) {
    *error = "no output file given (-o FILE)";
    return std::nullopt;
  }
  return parsed;
}

}  // namespace wf::cli
