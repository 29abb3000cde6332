#include "records/v2_mapping.h"

#include <simdjson.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <unordered_map>

#include "util/date_time.h"

namespace wf {
namespace {

// Why a partial error left a resource out, from its title and detail.
std::string MissingReason(std::string_view title, std::string_view detail) {
  if (detail.find("deleted") != std::string_view::npos) return "deleted";
  if (detail.find("suspended") != std::string_view::npos) return "suspended";
  if (title == "Authorization Error") return "protected";
  if (title == "Not Found Error") return "not found";
  return {};
}

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::element_type;
using simdjson::dom::object;

constexpr char kHex[] = "0123456789abcdef";

void AppendU16(std::string& out, std::uint32_t unit) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

// A JSON string literal of UTF-8 text (the decoder has validated it), ASCII only.
void AppendQuoted(std::string& out, std::string_view s) {
  out += '"';
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\b':
          out += "\\b";
          break;
        case '\f':
          out += "\\f";
          break;
        default:
          if (c < 0x20) {
            AppendU16(out, c);
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    std::uint32_t cp = 0;
    std::size_t len = 1;
    if (c >= 0xF0) {
      cp = c & 0x07u;
      len = 4;
    } else if (c >= 0xE0) {
      cp = c & 0x0Fu;
      len = 3;
    } else {
      cp = c & 0x1Fu;
      len = 2;
    }
    if (i + len > s.size()) len = s.size() - i;
    for (std::size_t k = 1; k < len; ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
    }
    if (cp > 0xFFFF) {
      cp -= 0x10000;
      AppendU16(out, 0xD800 + (cp >> 10));
      AppendU16(out, 0xDC00 + (cp & 0x3FF));
    } else {
      AppendU16(out, cp);
    }
    i += len;
  }
  out += '"';
}

bool Member(const object& o, std::string_view key, element& out) {
  return o.at_key(key).get(out) == simdjson::SUCCESS;
}

std::string_view Str(const object& o, std::string_view key) {
  element e;
  std::string_view s;
  if (!Member(o, key, e) || e.get_string().get(s) != simdjson::SUCCESS) return {};
  return s;
}

bool Obj(const object& o, std::string_view key, object& out) {
  element e;
  return Member(o, key, e) && e.get_object().get(out) == simdjson::SUCCESS;
}

bool Arr(const object& o, std::string_view key, array& out) {
  element e;
  return Member(o, key, e) && e.get_array().get(out) == simdjson::SUCCESS;
}

bool Bool(const object& o, std::string_view key) {
  element e;
  bool b = false;
  return Member(o, key, e) && e.get_bool().get(b) == simdjson::SUCCESS && b;
}

void AppendInt(std::string& out, const object& o, std::string_view key) {
  element e;
  if (Member(o, key, e)) {
    std::int64_t i = 0;
    std::uint64_t u = 0;
    if (e.get_int64().get(i) == simdjson::SUCCESS) {
      out += std::to_string(i);
      return;
    }
    if (e.get_uint64().get(u) == simdjson::SUCCESS) {
      out += std::to_string(u);
      return;
    }
  }
  out += '0';
}

void AppendCount(std::string& out, const object& o, std::string_view metric) {
  object metrics;
  if (Obj(o, "public_metrics", metrics)) {
    AppendInt(out, metrics, metric);
  } else {
    out += '0';
  }
}

// "id":N,"id_str":"S" from a v2 id (a decimal string, or a number in some files).
void AppendIds(std::string& out, const object& o) {
  element e;
  std::string text;
  if (Member(o, "id", e)) {
    std::string_view s;
    std::uint64_t u = 0;
    std::int64_t i = 0;
    if (e.get_string().get(s) == simdjson::SUCCESS) {
      text = std::string(s);
    } else if (e.get_uint64().get(u) == simdjson::SUCCESS) {
      text = std::to_string(u);
    } else if (e.get_int64().get(i) == simdjson::SUCCESS) {
      text = std::to_string(i);
    }
  }
  const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
  out += "\"id\":";
  // A JSON number has no leading zeros: "007" is the number 7.
  const std::size_t first = digits ? std::min(text.find_first_not_of('0'), text.size() - 1) : 0;
  out += digits ? std::string_view(text).substr(first) : std::string_view("0");
  out += ",\"id_str\":";
  AppendQuoted(out, text);
}

// "2021-05-18T19:24:56.000Z" as "Tue May 18 19:24:56 +0000 2021"; "" when it is no such date.
void AppendCreated(std::string& out, std::string_view s) {
  auto num = [&](std::size_t at, std::size_t len, int& v) {
    if (at + len > s.size()) return false;
    const auto r = std::from_chars(s.data() + at, s.data() + at + len, v);
    return r.ec == std::errc() && r.ptr == s.data() + at + len;
  };
  CivilDateTime dt;
  const bool ok = s.size() >= 19 && s[4] == '-' && s[7] == '-' && s[10] == 'T' && s[13] == ':' &&
                  s[16] == ':' && num(0, 4, dt.year) && num(5, 2, dt.month) && num(8, 2, dt.day) &&
                  num(11, 2, dt.hour) && num(14, 2, dt.minute) && num(17, 2, dt.second) &&
                  IsValidCivil(dt);
  if (!ok) {
    out += "\"\"";
    return;
  }
  char buf[48];
  const int n = std::snprintf(buf, sizeof buf, "\"%s %s %02d %02d:%02d:%02d +0000 %04d\"",
                              DayNameOf(dt, true).c_str(), MonthNameOf(dt.month, true).c_str(),
                              dt.day, dt.hour, dt.minute, dt.second, dt.year);
  if (n > 0 && static_cast<std::size_t>(n) < sizeof buf)
    out.append(buf, static_cast<std::size_t>(n));
}

void AppendUrls(std::string& out, const object* entities) {
  out += '[';
  array urls;
  if (entities != nullptr && Arr(*entities, "urls", urls)) {
    bool first = true;
    for (element item : urls) {
      object u;
      if (item.get_object().get(u) != simdjson::SUCCESS) continue;
      if (!first) out += ',';
      first = false;
      const std::string_view url = Str(u, "url");
      element expanded;
      std::string_view expanded_text = url;
      if (Member(u, "expanded_url", expanded)) {
        std::string_view s;
        if (expanded.get_string().get(s) == simdjson::SUCCESS) expanded_text = s;
      }
      out += "{\"url\":";
      AppendQuoted(out, url);
      out += ",\"expanded_url\":";
      AppendQuoted(out, expanded_text);
      out += ",\"display_url\":";
      AppendQuoted(out, Str(u, "display_url"));
      out += '}';
    }
  }
  out += ']';
}

void AppendDouble(std::string& out, double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void AppendUser(std::string& out, const object& u) {
  out += '{';
  AppendIds(out, u);
  out += ",\"name\":";
  AppendQuoted(out, Str(u, "name"));
  out += ",\"screen_name\":";
  AppendQuoted(out, Str(u, "username"));
  out += ",\"location\":";
  AppendQuoted(out, Str(u, "location"));
  out += ",\"description\":";
  AppendQuoted(out, Str(u, "description"));
  out += ",\"url\":";
  const std::string_view url = Str(u, "url");
  if (url.empty()) {
    out += "null";
  } else {
    AppendQuoted(out, url);
  }
  object entities;
  const bool has_entities = Obj(u, "entities", entities);
  object url_entities;
  object desc_entities;
  out += ",\"entities\":{\"url\":{\"urls\":";
  AppendUrls(out, has_entities && Obj(entities, "url", url_entities) ? &url_entities : nullptr);
  out += "},\"description\":{\"urls\":";
  AppendUrls(
      out, has_entities && Obj(entities, "description", desc_entities) ? &desc_entities : nullptr);
  out += "}},\"protected\":";
  out += Bool(u, "protected") ? "true" : "false";
  out += ",\"followers_count\":";
  AppendCount(out, u, "followers_count");
  out += ",\"friends_count\":";
  AppendCount(out, u, "following_count");
  out += ",\"listed_count\":";
  AppendCount(out, u, "listed_count");
  out += ",\"created_at\":";
  AppendCreated(out, Str(u, "created_at"));
  out += ",\"favourites_count\":";
  AppendCount(out, u, "like_count");
  out += ",\"utc_offset\":null,\"time_zone\":null,\"geo_enabled\":false,\"verified\":";
  out += Bool(u, "verified") ? "true" : "false";
  out += ",\"statuses_count\":";
  AppendCount(out, u, "tweet_count");
  out += ",\"lang\":null,\"profile_image_url\":";
  AppendQuoted(out, Str(u, "profile_image_url"));
  out += '}';
}

using UserIndex = std::unordered_map<std::string_view, object>;

void IndexUsers(const array& users, UserIndex& index) {
  for (element item : users) {
    object u;
    if (item.get_object().get(u) != simdjson::SUCCESS) continue;
    const std::string_view id = Str(u, "id");
    // The first of repeated ids, as a lookup from the front would find.
    if (!id.empty()) index.emplace(id, u);
  }
}

void AppendTweet(std::string& out, const object& t, const UserIndex& users) {
  out += "{\"created_at\":";
  AppendCreated(out, Str(t, "created_at"));
  out += ',';
  AppendIds(out, t);
  object note;
  std::string_view note_text;
  bool use_note = false;
  if (Obj(t, "note_tweet", note)) {
    element e;
    use_note = Member(note, "text", e) && e.get_string().get(note_text) == simdjson::SUCCESS;
  }
  out += ",\"full_text\":";
  AppendQuoted(out, use_note ? note_text : Str(t, "text"));
  out += ",\"truncated\":false,\"entities\":{\"urls\":";
  object entities;
  const bool has_entities =
      use_note ? Obj(note, "entities", entities) : Obj(t, "entities", entities);
  AppendUrls(out, has_entities ? &entities : nullptr);
  out += '}';
  object author;
  bool has_author = Obj(t, "author", author);
  if (!has_author) {
    const std::string_view author_id = Str(t, "author_id");
    if (!author_id.empty()) {
      const auto it = users.find(author_id);
      if (it != users.end()) {
        author = it->second;
        has_author = true;
      }
    }
  }
  if (has_author) {
    out += ",\"user\":";
    AppendUser(out, author);
  }
  // GeoJSON order is longitude, latitude; v1.1 "geo" had them the other way round.
  double lon = 0;
  double lat = 0;
  bool point = false;
  object geo;
  object coordinates;
  array pair;
  if (Obj(t, "geo", geo) && Obj(geo, "coordinates", coordinates) &&
      Arr(coordinates, "coordinates", pair) && pair.size() == 2) {
    point = pair.at(0).get_double().get(lon) == simdjson::SUCCESS &&
            pair.at(1).get_double().get(lat) == simdjson::SUCCESS;
  }
  if (point) {
    out += ",\"geo\":{\"type\":\"Point\",\"coordinates\":[";
    AppendDouble(out, lat);
    out += ',';
    AppendDouble(out, lon);
    out += "]},\"coordinates\":{\"type\":\"Point\",\"coordinates\":[";
    AppendDouble(out, lon);
    out += ',';
    AppendDouble(out, lat);
    out += "]}";
  } else {
    out += ",\"geo\":null,\"coordinates\":null";
  }
  out += ",\"retweet_count\":";
  AppendCount(out, t, "retweet_count");
  out += ",\"favorite_count\":";
  AppendCount(out, t, "like_count");
  out += ",\"lang\":";
  AppendQuoted(out, Str(t, "lang"));
  out += '}';
}

void ReadInfo(const object& page, V2PageInfo& info) {
  info.parsed = true;
  element data;
  if (Member(page, "data", data)) {
    array a;
    if (data.get_array().get(a) == simdjson::SUCCESS) {
      info.rows = a.size();
    } else if (data.is_object()) {
      info.rows = 1;
    }
  }
  object meta;
  if (Obj(page, "meta", meta)) {
    info.next_token = std::string(Str(meta, "next_token"));
    info.newest_id = std::string(Str(meta, "newest_id"));
  }
  array errors;
  if (Arr(page, "errors", errors)) {
    for (element item : errors) {
      object e;
      if (item.get_object().get(e) != simdjson::SUCCESS) continue;
      std::string_view what = Str(e, "resource_id");
      if (what.empty()) what = Str(e, "value");
      if (what.empty()) what = Str(e, "detail");
      if (what.empty()) what = Str(e, "title");
      info.missing.emplace_back(what);
      info.missing_reasons.push_back(MissingReason(Str(e, "title"), Str(e, "detail")));
    }
  }
  info.title = std::string(Str(page, "title"));
  info.detail = std::string(Str(page, "detail"));
  info.type = std::string(Str(page, "type"));
  info.reason = std::string(Str(page, "reason"));
}

}  // namespace

struct V2Mapping::Impl {
  simdjson::dom::parser parser;
  simdjson::dom::parser users_parser;
  UserIndex users;

  bool ParseObject(simdjson::dom::parser& p, std::string_view json, object& out) {
    element doc;
    return p.parse(json.data(), json.size()).get(doc) == simdjson::SUCCESS &&
           doc.get_object().get(out) == simdjson::SUCCESS;
  }

  // The rows of a page (its `data` items, or `data` itself when it is one object), each
  // mapped by `each`, joined with commas.
  template <typename Each>
  std::optional<std::string> Rows(std::string_view page_json, V2PageInfo* info,
                                  std::string_view open, std::string_view close, Each each) {
    object page;
    if (!ParseObject(parser, page_json, page)) return std::nullopt;
    if (info != nullptr) {
      *info = V2PageInfo{};
      ReadInfo(page, *info);
    }
    std::string out;
    out.reserve(page_json.size());
    out += open;
    element data;
    if (Member(page, "data", data)) {
      array a;
      object one;
      if (data.get_array().get(a) == simdjson::SUCCESS) {
        bool first = true;
        for (element item : a) {
          object o;
          if (item.get_object().get(o) != simdjson::SUCCESS) continue;
          if (!first) out += ',';
          first = false;
          each(out, o, page);
        }
      } else if (data.get_object().get(one) == simdjson::SUCCESS) {
        each(out, one, page);
      }
    }
    out += close;
    return out;
  }

  void IndexPageUsers(const object& page) {
    users.clear();
    object includes;
    array list;
    if (Obj(page, "includes", includes) && Arr(includes, "users", list)) IndexUsers(list, users);
  }

  std::optional<std::string> TweetRows(std::string_view page_json, V2PageInfo* info,
                                       std::string_view open, std::string_view close) {
    bool indexed = false;
    auto r = Rows(page_json, info, open, close,
                  [&](std::string& out, const object& t, const object& page) {
                    if (!indexed) {
                      IndexPageUsers(page);
                      indexed = true;
                    }
                    AppendTweet(out, t, users);
                  });
    users.clear();
    return r;
  }
};

V2Mapping::V2Mapping() : impl_(std::make_unique<Impl>()) {}
V2Mapping::~V2Mapping() = default;

std::optional<std::string> V2Mapping::Tweet(std::string_view tweet_json,
                                            std::string_view users_json) {
  impl_->users.clear();
  if (!users_json.empty()) {
    element doc;
    array list;
    if (impl_->users_parser.parse(users_json.data(), users_json.size()).get(doc) ==
            simdjson::SUCCESS &&
        doc.get_array().get(list) == simdjson::SUCCESS) {
      IndexUsers(list, impl_->users);
    }
  }
  object t;
  std::optional<std::string> out;
  if (impl_->ParseObject(impl_->parser, tweet_json, t)) {
    out.emplace();
    AppendTweet(*out, t, impl_->users);
  }
  impl_->users.clear();
  return out;
}

std::optional<std::string> V2Mapping::User(std::string_view user_json) {
  object u;
  if (!impl_->ParseObject(impl_->parser, user_json, u)) return std::nullopt;
  std::string out;
  AppendUser(out, u);
  return out;
}

std::optional<std::string> V2Mapping::SearchPage(std::string_view page_json, V2PageInfo* info) {
  return impl_->TweetRows(page_json, info, "{\"statuses\":[", "],\"search_metadata\":{}}");
}

std::optional<std::string> V2Mapping::TimelinePage(std::string_view page_json, V2PageInfo* info) {
  return impl_->TweetRows(page_json, info, "[", "]");
}

std::optional<std::string> V2Mapping::UserPage(std::string_view page_json, V2PageInfo* info) {
  return impl_->Rows(page_json, info, "{\"users\":[", "]}",
                     [](std::string& out, const object& u, const object&) { AppendUser(out, u); });
}

V2PageInfo V2Mapping::Info(std::string_view page_json) {
  V2PageInfo info;
  object page;
  if (impl_->ParseObject(impl_->parser, page_json, page)) ReadInfo(page, info);
  return info;
}

}  // namespace wf
