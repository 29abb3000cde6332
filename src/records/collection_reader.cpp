#include "records/collection_reader.h"

#include <simdjson.h>

#include "records/line_stream.h"
#include "records/v2_mapping.h"
#include "util/file_io.h"

namespace wf {
namespace {

using simdjson::dom::element;

bool Has(const simdjson::dom::object& o, std::string_view key) {
  element e;
  return o[key].get(e) == simdjson::SUCCESS;
}

bool HasString(const simdjson::dom::object& o, std::string_view key) {
  std::string_view s;
  return o[key].get_string().get(s) == simdjson::SUCCESS;
}

bool HasArray(const simdjson::dom::object& o, std::string_view key) {
  simdjson::dom::array a;
  return o[key].get_array().get(a) == simdjson::SUCCESS;
}

bool IsTweetObject(const simdjson::dom::object& o) {
  return HasString(o, "text") || HasString(o, "full_text");
}

CollectionShape ShapeOf(const element& root) {
  simdjson::dom::object o;
  if (root.get_object().get(o) == simdjson::SUCCESS) {
    std::int64_t status = 0;
    if (HasString(o, "url") && HasString(o, "body") &&
        o["status"].get_int64().get(status) == simdjson::SUCCESS) {
      return CollectionShape::kArchiveLine;
    }
    if (HasArray(o, "statuses")) return CollectionShape::kSearchPage;
    if (HasArray(o, "users")) return CollectionShape::kUserPage;
    if (Has(o, "data")) return CollectionShape::kV2Page;
    if (Has(o, "errors") || Has(o, "error")) return CollectionShape::kApiError;
    if (IsTweetObject(o) && HasString(o, "id_str")) return CollectionShape::kSingleTweet;
    if (IsTweetObject(o) && HasString(o, "id")) return CollectionShape::kFlatTweet;
    return CollectionShape::kUnknown;
  }
  simdjson::dom::array a;
  if (root.get_array().get(a) != simdjson::SUCCESS) return CollectionShape::kUnknown;
  if (a.size() == 0) return CollectionShape::kTimeline;
  simdjson::dom::object first;
  if (a.at(0).get_object().get(first) != simdjson::SUCCESS) return CollectionShape::kUnknown;
  if (IsTweetObject(first)) return CollectionShape::kTimeline;
  if (HasString(first, "screen_name")) return CollectionShape::kUserLookup;
  return CollectionShape::kUnknown;
}

enum class V2Items { kTweets, kUsers, kOther };

// What the rows of a v2 page are: tweets carry a text, users a username. A page without
// rows reads as an empty page of tweets.
V2Items V2ItemsOf(const element& page) {
  element data;
  if (page["data"].get(data) != simdjson::SUCCESS) return V2Items::kOther;
  simdjson::dom::array list;
  simdjson::dom::object first;
  if (data.get_array().get(list) == simdjson::SUCCESS) {
    if (list.size() == 0) return V2Items::kTweets;
    if (list.at(0).get_object().get(first) != simdjson::SUCCESS) return V2Items::kOther;
  } else if (data.get_object().get(first) != simdjson::SUCCESS) {
    return V2Items::kOther;
  }
  if (HasString(first, "text")) return V2Items::kTweets;
  if (HasString(first, "username")) return V2Items::kUsers;
  return V2Items::kOther;
}

bool UrlHas(std::string_view url, std::string_view part) {
  return url.find(part) != std::string_view::npos;
}

}  // namespace

std::string CompactJson(std::string_view json) {
  std::string out(json.size(), '\0');
  std::size_t length = 0;
  if (simdjson::minify(json.data(), json.size(), out.data(), length) != simdjson::SUCCESS) {
    return std::string(json);
  }
  out.resize(length);
  return out;
}

struct CollectionReader::Impl {
  explicit Impl(CollectionKind k) : kind(k) {}
  CollectionKind kind;
  simdjson::dom::parser parser;
  simdjson::dom::parser body_parser;  // an archived response inside an archive line
  V2Mapping v2;

  bool Pages(simdjson::dom::parser& p, std::string_view json, std::vector<CollectionPage>& pages,
             CollectionShape& shape) {
    element root;
    if (p.parse(json.data(), json.size()).get(root) != simdjson::SUCCESS) {
      shape = CollectionShape::kNotJson;
      return false;
    }
    shape = ShapeOf(root);
    const bool tweets = kind == CollectionKind::kTweets;
    switch (shape) {
      case CollectionShape::kSearchPage:
        if (!tweets) return false;
        pages.push_back({CompactJson(json), true});
        return true;
      case CollectionShape::kTimeline:
        // An empty array is the end of a timeline, and of a lookup too.
        if (!tweets && root.get_array().size() != 0) return false;
        pages.push_back({CompactJson(json), false});
        return true;
      case CollectionShape::kSingleTweet:
        if (!tweets) return false;
        pages.push_back({"{\"statuses\":[" + CompactJson(json) + "]}", true});
        return true;
      case CollectionShape::kUserLookup:
        if (tweets) return false;
        pages.push_back({CompactJson(json), false});
        return true;
      case CollectionShape::kUserPage:
        if (tweets) return false;
        pages.push_back({CompactJson(json), true});
        return true;
      case CollectionShape::kV2Page: {
        const V2Items items = V2ItemsOf(root);
        if (items == V2Items::kOther || (items == V2Items::kTweets) != tweets) return false;
        auto page = tweets ? v2.SearchPage(json) : v2.UserPage(json);
        if (!page) return false;
        pages.push_back({std::move(*page), true});
        return true;
      }
      case CollectionShape::kFlatTweet: {
        if (!tweets) return false;
        auto tweet = v2.Tweet(json);
        if (!tweet) return false;
        pages.push_back({"{\"statuses\":[" + *tweet + "]}", true});
        return true;
      }
      case CollectionShape::kArchiveLine:
        return ArchivedPages(root, pages);
      default:
        return false;
    }
  }

  // Responses the archive holds: only whole answers of the resources this kind reads count;
  // the rest of the archive (other resources, failed requests) is passed over, not skipped.
  bool ArchivedPages(const element& line, std::vector<CollectionPage>& pages) {
    std::int64_t status = 0;
    std::string_view url;
    std::string_view body;
    if (line["status"].get_int64().get(status) != simdjson::SUCCESS ||
        line["url"].get_string().get(url) != simdjson::SUCCESS ||
        line["body"].get_string().get(body) != simdjson::SUCCESS) {
      return false;
    }
    if (status != 200) return true;
    const bool tweets = kind == CollectionKind::kTweets;
    if (tweets && UrlHas(url, "/1.1/search/tweets.json")) {
      pages.push_back({CompactJson(body), true});
    } else if (tweets && UrlHas(url, "/1.1/statuses/user_timeline.json")) {
      pages.push_back({CompactJson(body), false});
    } else if (!tweets && UrlHas(url, "/1.1/users/lookup.json")) {
      pages.push_back({CompactJson(body), false});
    } else if (!tweets &&
               (UrlHas(url, "/1.1/followers/list.json") || UrlHas(url, "/1.1/friends/list.json"))) {
      pages.push_back({CompactJson(body), true});
    } else if (UrlHas(url, "/2/")) {
      // Names looked up only to find timelines' ids ask for no user fields: no user rows.
      const bool lookup = UrlHas(url, "/2/users?") || UrlHas(url, "/2/users/by?");
      if (lookup && !UrlHas(url, "user.fields=")) return true;
      // v2 answers as they are, read by their content.
      CollectionShape inner;
      const std::string copy(body);  // the body is a view into the line's parse
      Pages(body_parser, copy, pages, inner);
    }
    return true;
  }
};

CollectionReader::CollectionReader(CollectionKind kind) : impl_(new Impl(kind)) {}

CollectionReader::~CollectionReader() {
  delete impl_;
}

bool CollectionReader::Read(std::string_view json, std::vector<CollectionPage>& pages,
                            CollectionShape* shape) {
  CollectionShape found;
  const bool known = impl_->Pages(impl_->parser, json, pages, found);
  if (shape != nullptr) *shape = found;
  return known;
}

CollectionShape CollectionReader::Shape(std::string_view json) {
  element root;
  if (impl_->parser.parse(json.data(), json.size()).get(root) != simdjson::SUCCESS) {
    return CollectionShape::kNotJson;
  }
  return ShapeOf(root);
}

namespace {

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Whether a file whose first line is not JSON is worth reading whole as one document: a
// pretty-printer puts the opening bracket on a line of its own; other files are read whole
// only when small, so that a huge JSON-lines file with a broken first line is still streamed.
bool MayBeOneDocument(std::string_view first_line, std::uint64_t file_size) {
  const std::size_t start = first_line.find_first_not_of(" \t");
  const std::size_t end = first_line.find_last_not_of(" \t");
  const bool bracket_alone = start != std::string_view::npos && start == end &&
                             (first_line[start] == '{' || first_line[start] == '[');
  return bracket_alone || file_size <= (std::uint64_t{256} << 20);
}

std::optional<CollectionFileResult> Scan(const std::string& path, CollectionKind kind,
                                         const CollectionPageSink* sink,
                                         const CollectionProgress* progress, std::string* error) {
  LineStream lines;
  if (!lines.Open(path, error)) return std::nullopt;
  CollectionReader reader(kind);
  CollectionFileResult result;
  std::vector<CollectionPage> pages;
  auto take = [&](std::string_view text) {
    pages.clear();
    CollectionShape shape;
    const bool known = sink != nullptr ? reader.Read(text, pages, &shape)
                                       : (shape = reader.Shape(text)) > CollectionShape::kUnknown;
    if (result.texts++ == 0) result.first_shape = shape;
    if (!known) ++result.skipped;
    for (CollectionPage& page : pages) {
      ++result.pages;
      (*sink)(std::move(page));
    }
  };
  auto failed = [&]() {
    if (error != nullptr) *error = path + ": the file could not be read";
    return std::nullopt;
  };

  std::string_view line;
  while (lines.Next(line) && IsBlank(line)) {
  }
  if (lines.Failed()) return failed();
  if (IsBlank(line)) return result;  // an empty file
  if (reader.Shape(line) == CollectionShape::kNotJson && MayBeOneDocument(line, lines.Size())) {
    // Not a whole line of JSON: a document over several lines (pretty-printed), or JSON lines
    // whose first line is broken.
    auto whole = ReadWholeFile(path, error);
    if (!whole) return std::nullopt;
    std::string_view text = *whole;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (reader.Shape(text) != CollectionShape::kNotJson) {
      result.one_document = true;
      take(text);
      if (progress != nullptr) (*progress)(lines.Size(), lines.Size());
      return result;
    }
  }
  take(line);
  if (sink == nullptr) {
    while (lines.Next(line)) {
      if (!IsBlank(line)) return result;
    }
    result.one_document = !lines.Failed();
    return result;
  }
  constexpr std::uint64_t kProgressStep = std::uint64_t{1} << 20;
  std::uint64_t next_progress = kProgressStep;
  while (lines.Next(line)) {
    if (!IsBlank(line)) take(line);
    if (progress != nullptr && lines.Consumed() >= next_progress) {
      next_progress = lines.Consumed() + kProgressStep;
      if (!(*progress)(lines.Consumed(), lines.Size())) {
        result.stopped = true;
        return result;
      }
    }
  }
  if (lines.Failed()) return failed();
  result.one_document = result.texts == 1;
  if (progress != nullptr) (*progress)(lines.Size(), lines.Size());
  return result;
}

}  // namespace

std::optional<CollectionFileResult> ReadCollectionFile(const std::string& path, CollectionKind kind,
                                                       const CollectionPageSink& sink,
                                                       const CollectionProgress& progress,
                                                       std::string* error) {
  return Scan(path, kind, &sink, progress ? &progress : nullptr, error);
}

std::optional<CollectionFileResult> ProbeCollectionFile(const std::string& path,
                                                        std::string* error) {
  return Scan(path, CollectionKind::kTweets, nullptr, nullptr, error);
}

}  // namespace wf
