#include "records/full_text.h"

#include <simdjson.h>

namespace wf {
namespace {

void ReplaceAll(std::string& s, std::string_view what, std::string_view with) {
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at)) {
    s.replace(at, what.size(), with);
    at += with.size();
  }
}

// The records of a page: the array a wrapper object holds first (statuses, users), or the
// page itself when it is an array.
bool RecordArray(const simdjson::dom::element& root, bool wrapped, simdjson::dom::array& out) {
  if (!wrapped) return root.get_array().get(out) == simdjson::SUCCESS;
  simdjson::dom::object object;
  if (root.get_object().get(object) != simdjson::SUCCESS) return false;
  for (const auto field : object) {
    if (field.value.get_array().get(out) == simdjson::SUCCESS) return true;
  }
  return false;
}

// The string member `key` of `object`, or empty when absent or not a string.
std::string_view StringMember(const simdjson::dom::element& object, std::string_view key) {
  std::string_view value;
  if (object[key].get_string().get(value) != simdjson::SUCCESS) return {};
  return value;
}

bool HasString(const simdjson::dom::element& object, std::string_view key) {
  std::string_view value;
  return object[key].get_string().get(value) == simdjson::SUCCESS;
}

template <typename Record>
bool Decode(std::string_view json, bool wrapped, std::vector<Record>& records, std::size_t from,
            simdjson::dom::parser& parser, simdjson::dom::array& items) {
  simdjson::dom::element root;
  if (parser.parse(json.data(), json.size()).get(root) != simdjson::SUCCESS) return false;
  if (!RecordArray(root, wrapped, items)) return false;
  return from <= records.size() && items.size() == records.size() - from;
}

}  // namespace

std::string FullTextCell(std::string_view decoded, bool tweet_text) {
  std::string out(decoded);
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  if (tweet_text && out.find('&') != std::string::npos) {
    ReplaceAll(out, "&lt;", "<");
    ReplaceAll(out, "&gt;", ">");
    // Last, so that an encoded "&amp;lt;" stays the text "&lt;".
    ReplaceAll(out, "&amp;", "&");
  }
  const std::size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  out.erase(out.find_last_not_of(' ') + 1);
  out.erase(0, first);
  return out;
}

void ApplyTweetFullText(std::string_view json, bool wrapped, std::vector<TweetRecord>& records,
                        std::size_t from) {
  simdjson::dom::parser parser;
  simdjson::dom::array items;
  if (!Decode(json, wrapped, records, from, parser, items)) return;
  std::size_t r = from;
  for (const simdjson::dom::element tweet : items) {
    TweetRecord& t = records[r++];
    // As the default reader: a non-empty full_text wins over text.
    std::string_view text = StringMember(tweet, "full_text");
    if (text.empty()) text = StringMember(tweet, "text");
    t.Text = FullTextCell(text, true);
    simdjson::dom::array urls;
    if (tweet["entities"]["urls"].get_array().get(urls) == simdjson::SUCCESS && urls.size() > 0) {
      simdjson::dom::element last;
      for (const auto url : urls) last = url;
      if (HasString(last, "expanded_url")) {
        t.LinkURL = FullTextCell(StringMember(last, "expanded_url"), false);
      }
    }
    simdjson::dom::element user;
    if (tweet["user"].get(user) != simdjson::SUCCESS || !user.is_object()) continue;
    t.RealName = FullTextCell(StringMember(user, "name"), false);
    t.Location = FullTextCell(StringMember(user, "location"), false);
    t.Description = FullTextCell(StringMember(user, "description"), false);
  }
}

void ApplyUserFullText(std::string_view json, bool wrapped, std::vector<UserRecord>& records,
                       std::size_t from) {
  simdjson::dom::parser parser;
  simdjson::dom::array items;
  if (!Decode(json, wrapped, records, from, parser, items)) return;
  std::size_t r = from;
  for (const simdjson::dom::element user : items) {
    UserRecord& u = records[r++];
    u.RealName = FullTextCell(StringMember(user, "name"), false);
    u.Location = FullTextCell(StringMember(user, "location"), false);
    u.Description = FullTextCell(StringMember(user, "description"), false);
    if (HasString(user, "time_zone")) {
      u.TimeZone = FullTextCell(StringMember(user, "time_zone"), false);
    }
  }
}

}  // namespace wf
