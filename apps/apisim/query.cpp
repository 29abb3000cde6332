#include "apisim/query.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace wf::apisim {

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

// Non-ASCII code points that separate words rather than belong to them.
bool IsSeparatorCodePoint(uint32_t cp) {
  return (cp >= 0x00a0 && cp <= 0x00bf) || cp == 0x00d7 || cp == 0x00f7 ||
         (cp >= 0x2000 && cp <= 0x2bff) || (cp >= 0x3000 && cp <= 0x303f) ||
         (cp >= 0xfe00 && cp <= 0xfe0f) || cp == 0xfeff || cp >= 0x1f000;
}

std::string DecodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (text.substr(i, 5) == "&amp;") {
        out.push_back('&');
        i += 4;
        continue;
      }
      if (text.substr(i, 4) == "&lt;" || text.substr(i, 4) == "&gt;") {
        out.push_back(text[i + 1] == 'l' ? '<' : '>');
        i += 3;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

bool ParseDay(std::string_view text, int64_t& out) {
  // YYYY-MM-DD as midnight UTC.
  int y = 0, m = 0, d = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  auto num = [&](size_t pos, size_t len, int& v) {
    const auto r = std::from_chars(text.data() + pos, text.data() + pos + len, v);
    return r.ec == std::errc() && r.ptr == text.data() + pos + len;
  };
  if (!num(0, 4, y) || !num(5, 2, m) || !num(8, 2, d) || m < 1 || m > 12 || d < 1 || d > 31)
    return false;
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy =
      (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  out = (int64_t{era} * 146097 + doe - 719468) * 86400;
  return true;
}

struct Token {
  enum Kind { kTerm, kPhrase, kOpen, kClose, kOr, kAnd };
  Kind kind;
  std::string text;
  bool negated = false;
};

std::vector<Token> Lex(std::string_view q) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < q.size()) {
    const char c = q[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '+') {
      ++i;
      continue;
    }
    bool negated = false;
    if (c == '-' && i + 1 < q.size() && q[i + 1] != ' ') {
      negated = true;
      ++i;
    }
    if (q[i] == '(') {
      out.push_back({Token::kOpen, "", negated});
      ++i;
      continue;
    }
    if (q[i] == ')') {
      out.push_back({Token::kClose, "", false});
      ++i;
      continue;
    }
    if (q[i] == '"') {
      const size_t close = q.find('"', i + 1);
      const size_t end = close == std::string_view::npos ? q.size() : close;
      out.push_back({Token::kPhrase, std::string(q.substr(i + 1, end - i - 1)), negated});
      i = close == std::string_view::npos ? q.size() : close + 1;
      continue;
    }
    size_t end = i;
    while (end < q.size() && q[end] != ' ' && q[end] != '\t' && q[end] != '(' && q[end] != ')' &&
           q[end] != '"' && q[end] != '+' && q[end] != '\n' && q[end] != '\r')
      ++end;
    std::string word(q.substr(i, end - i));
    i = end;
    if (!negated && word == "OR") {
      out.push_back({Token::kOr, word, false});
    } else if (!negated && word == "AND") {
      out.push_back({Token::kAnd, word, false});
    } else {
      out.push_back({Token::kTerm, std::move(word), negated});
    }
  }
  return out;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  // A stray ")" is skipped rather than failing the whole query.
  Query::Node ParseAll() {
    Query::Node node = ParseAnd();
    while (pos_ < tokens_.size()) {
      ++pos_;
      Query::Node more = ParseAnd();
      for (auto& child : more.children) node.children.push_back(std::move(child));
    }
    return node;
  }

 private:
  Query::Node ParseAnd() {
    Query::Node node;
    node.kind = Query::Node::kAnd;
    while (pos_ < tokens_.size() && tokens_[pos_].kind != Token::kClose) {
      if (tokens_[pos_].kind == Token::kAnd || tokens_[pos_].kind == Token::kOr) {
        ++pos_;  // a stray connective
        continue;
      }
      node.children.push_back(ParseOr());
    }
    return node;
  }

  Query::Node ParseOr() {
    Query::Node first = ParseUnary();
    if (pos_ >= tokens_.size() || tokens_[pos_].kind != Token::kOr) return first;
    Query::Node node;
    node.kind = Query::Node::kOr;
    node.children.push_back(std::move(first));
    while (pos_ < tokens_.size() && tokens_[pos_].kind == Token::kOr) {
      ++pos_;
      if (pos_ >= tokens_.size() || tokens_[pos_].kind == Token::kClose) break;
      node.children.push_back(ParseUnary());
    }
    return node;
  }

  Query::Node ParseUnary() {
    const Token& token = tokens_[pos_++];
    Query::Node node;
    if (token.kind == Token::kOpen) {
      node = ParseAnd();
      if (pos_ < tokens_.size() && tokens_[pos_].kind == Token::kClose) ++pos_;
    } else if (token.kind == Token::kPhrase) {
      node.kind = Query::Node::kWords;
      node.words = SearchWords(token.text);
      if (node.words.empty()) node.kind = Query::Node::kAll;
    } else {
      node = Term(token.text);
    }
    if (token.negated) {
      Query::Node negation;
      negation.kind = Query::Node::kNot;
      negation.children.push_back(std::move(node));
      return negation;
    }
    return node;
  }

  static Query::Node Term(const std::string& text) {
    Query::Node node;
    const size_t colon = text.find(':');
    if (colon != std::string::npos && colon > 0 && colon + 1 < text.size()) {
      const std::string op = Lower(text.substr(0, colon));
      const std::string arg = Lower(text.substr(colon + 1));
      if (op == "from" || op == "to" || op == "lang" || op == "filter") {
        node.kind = op == "from"   ? Query::Node::kFrom
                    : op == "to"   ? Query::Node::kTo
                    : op == "lang" ? Query::Node::kLang
                                   : Query::Node::kFilter;
        node.value = !arg.empty() && arg[0] == '@' ? arg.substr(1) : arg;
        return node;
      }
      if ((op == "since" || op == "until") && ParseDay(arg, node.instant)) {
        node.kind = op == "since" ? Query::Node::kSince : Query::Node::kUntil;
        return node;
      }
    }
    if (text.size() > 1 && (text[0] == '#' || text[0] == '$')) {
      node.kind = Query::Node::kHashtag;
      node.value = Lower(text.substr(1));
      return node;
    }
    if (text.size() > 1 && text[0] == '@') {
      node.kind = Query::Node::kMention;
      node.value = Lower(text.substr(1));
      return node;
    }
    node.words = SearchWords(text);
    node.kind = node.words.empty() ? Query::Node::kAll : Query::Node::kWords;
    return node;
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
};

bool HasSequence(const std::vector<std::string>& words, const std::vector<std::string>& seq) {
  if (seq.empty()) return true;
  if (seq.size() > words.size()) return false;
  for (size_t i = 0; i + seq.size() <= words.size(); ++i) {
    if (words[i] != seq[0]) continue;
    if (std::equal(seq.begin() + 1, seq.end(), words.begin() + static_cast<ptrdiff_t>(i) + 1))
      return true;
  }
  return false;
}

bool Contains(const std::vector<std::string>& items, const std::string& value) {
  return std::find(items.begin(), items.end(), value) != items.end();
}

bool Evaluate(const Query::Node& node, const SearchDoc& doc) {
  switch (node.kind) {
    case Query::Node::kAll:
      return true;
    case Query::Node::kAnd:
      for (const auto& child : node.children)
        if (!Evaluate(child, doc)) return false;
      return true;
    case Query::Node::kOr:
      for (const auto& child : node.children)
        if (Evaluate(child, doc)) return true;
      return false;
    case Query::Node::kNot:
      return !Evaluate(node.children.front(), doc);
    case Query::Node::kWords:
      return HasSequence(doc.words, node.words);
    case Query::Node::kHashtag:
      return Contains(doc.hashtags, node.value);
    case Query::Node::kMention:
    case Query::Node::kTo:
      return Contains(doc.mentions, node.value);
    case Query::Node::kFrom:
      return doc.author == node.value;
    case Query::Node::kLang:
      return doc.lang == node.value;
    case Query::Node::kSince:
      return doc.created_at >= node.instant;
    case Query::Node::kUntil:
      return doc.created_at < node.instant;
    case Query::Node::kFilter:
      if (node.value == "retweets" || node.value == "nativeretweets") return doc.is_retweet;
      if (node.value == "replies") return doc.is_reply;
      if (node.value == "links") return doc.has_links || doc.has_media;
      if (node.value == "media" || node.value == "images") return doc.has_media;
      if (node.value == "quote") return doc.is_quote;
      if (node.value == "verified") return doc.verified;
      return false;
  }
  return false;
}

bool HasPositiveTerm(const Query::Node& node) {
  switch (node.kind) {
    case Query::Node::kAll:
      return false;
    case Query::Node::kNot:
      return false;
    case Query::Node::kAnd:
    case Query::Node::kOr:
      return std::any_of(node.children.begin(), node.children.end(), HasPositiveTerm);
    default:
      return true;
  }
}

}  // namespace

std::vector<std::string> SearchWords(std::string_view raw) {
  const std::string text = DecodeEntities(raw);
  std::vector<std::string> words;
  std::string word;
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    bool part = false;
    size_t len = 1;
    if (b < 0x80) {
      part = (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_';
    } else {
      uint32_t cp = 0;
      if (b >= 0xf0) {
        len = 4;
        cp = b & 0x07;
      } else if (b >= 0xe0) {
        len = 3;
        cp = b & 0x0f;
      } else if (b >= 0xc0) {
        len = 2;
        cp = b & 0x1f;
      }
      len = std::min(len, text.size() - i);
      for (size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3f);
      part = !IsSeparatorCodePoint(cp);
    }
    if (part) {
      for (size_t k = 0; k < len; ++k) word.push_back(LowerAscii(text[i + k]));
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
    i += len;
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::optional<int64_t> DayStart(std::string_view text) {
  int64_t out = 0;
  if (!ParseDay(text, out)) return std::nullopt;
  return out;
}

std::optional<Query> Query::Parse(std::string_view text, std::string* error) {
  std::string problem;
  Parser parser(Lex(text));
  Query query;
  query.root_ = parser.ParseAll();
  if (!HasPositiveTerm(query.root_)) problem = "the query has no term to search for";
  if (!problem.empty()) {
    if (error != nullptr) *error = problem;
    return std::nullopt;
  }
  return query;
}

bool Query::Matches(const SearchDoc& doc) const {
  return Evaluate(root_, doc);
}

std::optional<Geocode> Geocode::Parse(std::string_view text) {
  const size_t c1 = text.find(',');
  const size_t c2 = c1 == std::string_view::npos ? c1 : text.find(',', c1 + 1);
  if (c2 == std::string_view::npos) return std::nullopt;
  // Consumes a decimal number (after blanks) from the front of `s`.
  auto number = [](std::string_view& s, double& v) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc()) return false;
    s.remove_prefix(static_cast<size_t>(r.ptr - s.data()));
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return true;
  };
  Geocode g;
  std::string_view lat = text.substr(0, c1);
  std::string_view lon = text.substr(c1 + 1, c2 - c1 - 1);
  std::string_view radius = text.substr(c2 + 1);
  double r = 0;
  if (!number(lat, g.lat) || !lat.empty() || !number(lon, g.lon) || !lon.empty() ||
      !number(radius, r))
    return std::nullopt;
  const std::string unit = Lower(radius);
  if (unit == "mi") {
    g.radius_km = r * 1.609344;
  } else if (unit == "km") {
    g.radius_km = r;
  } else {
    return std::nullopt;
  }
  if (g.lat < -90 || g.lat > 90 || g.lon < -180 || g.lon > 180 || g.radius_km <= 0)
    return std::nullopt;
  return g;
}

bool Geocode::Contains(double lat_deg, double lon_deg) const {
  constexpr double kRad = 3.14159265358979323846 / 180.0;
  const double dlat = (lat_deg - lat) * kRad;
  const double dlon = (lon_deg - lon) * kRad;
  const double a =
      std::sin(dlat / 2) * std::sin(dlat / 2) +
      std::cos(lat * kRad) * std::cos(lat_deg * kRad) * std::sin(dlon / 2) * std::sin(dlon / 2);
  const double distance = 2 * 6371.0088 * std::asin(std::min(1.0, std::sqrt(a)));
  return distance <= radius_km;
}

}  // namespace wf::apisim
