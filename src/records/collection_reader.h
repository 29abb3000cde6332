#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wf {

// Collections researchers hold on disk, written by this program or by other tools, turned
// into the v1.1 pages the record sets read. A file is one JSON document (compact or
// pretty-printed) or JSON lines, every line read on its own.

enum class CollectionKind { kTweets, kUsers };

// What one JSON text is.
enum class CollectionShape {
  kNotJson,
  kUnknown,      // JSON, but none of the shapes below
  kSearchPage,   // v1.1 {"statuses":[...],...}
  kTimeline,     // v1.1 array of tweets (also an empty array)
  kSingleTweet,  // one v1.1 tweet
  kUserLookup,   // v1.1 array of users
  kUserPage,     // v1.1 {"users":[...],...} (followers/friends)
  kV2Page,       // v2 {"data":...,"includes":...}
  kFlatTweet,    // one v2 tweet with its author inlined
  kArchiveLine,  // {"time":..,"url":..,"status":..,"body":".."} of our response archive
  kApiError,     // {"errors":[...]} or {"error":".."}
};

// A page for TweetSet::SetData or UserSet::SetData.
struct CollectionPage {
  std::string text;
  bool ignore_top_level = false;
};

// The text without whitespace outside strings (a compact text comes back unchanged); the
// text itself when it is not JSON.
std::string CompactJson(std::string_view json);

// Recognises JSON texts and turns them into pages of one kind of record.
class CollectionReader {
 public:
  explicit CollectionReader(CollectionKind kind);
  ~CollectionReader();
  CollectionReader(const CollectionReader&) = delete;
  CollectionReader& operator=(const CollectionReader&) = delete;

  // Appends the pages `json` holds for this kind of record; true when its shape is one this
  // kind reads (a page may still hold no records). `shape` (optional) gets the shape found.
  bool Read(std::string_view json, std::vector<CollectionPage>& pages,
            CollectionShape* shape = nullptr);

  // The shape of a JSON text, without making pages.
  CollectionShape Shape(std::string_view json);

 private:
  struct Impl;
  Impl* impl_;
};

struct CollectionFileResult {
  bool one_document = false;  // the file holds one JSON text (a line or a document)
  CollectionShape first_shape = CollectionShape::kNotJson;  // of the file's first JSON text
  std::uint64_t texts = 0;    // lines (or the document) looked at, blank lines not counted
  std::uint64_t skipped = 0;  // of those: not JSON, or not a shape of the kind asked for
  std::uint64_t pages = 0;
  bool stopped = false;  // the progress callback asked to stop
};

using CollectionPageSink = std::function<void(CollectionPage&&)>;
// Bytes read so far and the file's size; false stops the reading (what was read is kept).
using CollectionProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Reads a collection file as a stream: a JSON-lines file of any size is read line by line
// without being held whole (a line is held while it is read). Empty optional (and `error`
// set) when the file cannot be opened or read.
std::optional<CollectionFileResult> ReadCollectionFile(const std::string& path, CollectionKind kind,
                                                       const CollectionPageSink& sink,
                                                       const CollectionProgress& progress,
                                                       std::string* error);

// One document or the first line: what ReadCollectionFile would find first, without reading
// the rest of a JSON-lines file.
std::optional<CollectionFileResult> ProbeCollectionFile(const std::string& path,
                                                        std::string* error);

}  // namespace wf
