#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "records/tweet_record.h"
#include "records/tweet_set.h"
#include "util/date_time.h"
#include "util/unique_fd.h"

namespace wf {

// What a retrieval needs to be taken up again: its kind and the parameters it was started with.
struct RecoveryHeader {
  enum class Kind { Search, Timelines, Hydrate };
  Kind kind = Kind::Search;
  // Hydrate: `query` is the ids file.
  // Search: the query, language, geocode (empty: none) and since id (an update search).
  std::string query;
  std::string lang;
  std::string geocode;
  std::string since_id;
  CivilDateTime threshold{};
  // The tweet file an update search or update of timelines adds to; empty for a new table.
  std::string base_file;
  bool update = false;
  // Timelines: the users to walk, in order, with their since ids (same length).
  std::vector<std::string> users;
  std::vector<std::string> user_since;
  bool users_are_ids = false;
};

// Where a retrieval stood after a page.
struct RecoveryState {
  // Search and timelines: the max id the next page asks for (empty: from the newest).
  // Hydrate: how many ids of the file were asked for.
  std::string max_id;
  // Timelines: the user the next page belongs to (an index into RecoveryHeader::users).
  std::int32_t user_index = 0;
};

// Hydrate: ids a page's answer did not hold, and why ("" when it did not say).
using MissingIds = std::vector<std::pair<std::string, std::string>>;

// The contents of a recovery file, as far as its records are whole.
struct RecoveredRetrieval {
  RecoveryHeader header;
  RecoveryState state;
  std::vector<TweetRecord> tweets;
  // Hydrate: the missing ids of all pages.
  MissingIds missing;
  std::int32_t pages = 0;
  // The last record was cut short (the program died while appending it) and was left out.
  bool torn_tail = false;
};

// An append-only journal of a running retrieval: a header record, then one record per page
// with the page's new tweets and the paging state after it. Each record carries its length and
// a checksum, so a record cut short by a crash is recognised and the ones before it still count.
// While a log is open the file is locked, which tells a second instance that it is in use.
class RecoveryLog {
 public:
  RecoveryLog() = default;
  ~RecoveryLog();
  RecoveryLog(const RecoveryLog&) = delete;
  RecoveryLog& operator=(const RecoveryLog&) = delete;

  // The journal's path in a program folder.
  static std::string PathIn(const std::string& folder);

  // Starts a new journal at `path`, replacing any old one. False (with `error`) when it cannot
  // be written; the retrieval then runs without one.
  bool Begin(const std::string& path, const RecoveryHeader& header, std::string* error = nullptr);
  // Takes up a journal read back with ReadRecoveryFile: `in_file` tweets are already in it, of
  // which the last `in_set` are those the tweet set holds now.
  bool Continue(const std::string& path, std::int32_t in_file, std::int32_t in_set,
                std::string* error = nullptr);
  // Appends the tweets `tweets` gained since the last call, and `state`. False on a write
  // failure (the journal is then closed and the retrieval goes on without it).
  // `missing`: a hydration page's missing ids.
  bool AppendPage(const TweetSet& tweets, const RecoveryState& state,
                  const MissingIds& missing = {});
  // The retrieval ended normally: the journal goes.
  void Finish();
  // Stops writing but leaves the file for the next start.
  void Close();

  // Timelines: the entry of RecoveryHeader::users whose pages are being appended.
  void SetUserIndex(std::int32_t index) { user_index_ = index; }
  std::int32_t UserIndex() const { return user_index_; }

  bool IsOpen() const { return fd_.valid(); }
  const std::string& Path() const { return path_; }
  const std::string& LastError() const { return last_error_; }
  std::int32_t TweetsInFile() const { return in_file_; }

  // Flushing every page to the disk (not only to the system) guards against power loss as
  // well as a killed program; on by default.
  void SetSyncEveryPage(bool sync) { sync_ = sync; }

 private:
  bool Append(char type, const std::string& payload);
  bool OpenLocked(const std::string& path, bool truncate, std::string* error);

  UniqueFd fd_;
  std::string path_;
  std::string last_error_;
  std::int32_t in_file_ = 0;
  std::int32_t in_set_ = 0;
  std::int32_t user_index_ = 0;
  bool sync_ = true;
};

// Reads a journal. Empty when the file is missing or its header record is not whole.
std::optional<RecoveredRetrieval> ReadRecoveryFile(const std::string& path,
                                                   std::string* error = nullptr);
// Parses the bytes of a journal (the reading part of ReadRecoveryFile).
std::optional<RecoveredRetrieval> ParseRecoveryJournal(std::string_view bytes);

// True when another live process holds the journal open (it belongs to a running retrieval).
bool RecoveryFileInUse(const std::string& path);

}  // namespace wf
