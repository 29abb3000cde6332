#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wf {

// Appends raw API responses to a JSON-lines file, one object per response:
//   {"time":"2026-12-08T14:00:00Z","url":"...","status":200,"body":"..."}
// Each line is flushed as it is written, so an interrupted run keeps every response so far.
class ResponseArchive {
 public:
  ResponseArchive() = default;
  ~ResponseArchive();
  ResponseArchive(const ResponseArchive&) = delete;
  ResponseArchive& operator=(const ResponseArchive&) = delete;

  // False (and `error` set) when the file cannot be opened for appending.
  bool Open(const std::string& path, std::string* error = nullptr);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Path() const { return path_; }
  bool Append(std::string_view url, int status, std::string_view body);

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

struct ArchivedResponse {
  std::string time;
  std::string url;
  int status = 0;
  std::string body;
};

// One line of an archive; empty when the line is not such an object.
std::optional<ArchivedResponse> ParseArchiveLine(std::string_view line);

// A line this archive wrote but a crash cut short: it starts like one and does not parse.
// Readers skip it; the responses around it are whole.
bool IsCutOffArchiveLine(std::string_view line);

// Ends the file at `path` with a line end when a cut-off line left it without one, so that
// what is appended next starts a line of its own. False when the file cannot be fixed.
bool EnsureArchiveLineEnd(const std::string& path);

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace wf
