#include "workflows/recovery_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <utility>

#include "util/file_io.h"
#include "util/unique_fd.h"

namespace wf {
namespace {

// Record framing: "WFR1 <type> <payload length> <crc32 of payload, 8 hex>\n" <payload> "\n".
constexpr std::string_view kMagic = "WFR1";
constexpr char kHeaderRecord = 'H';
constexpr char kPageRecord = 'P';
constexpr std::string_view kFileName = "recovery";

std::uint32_t Crc32(std::string_view data) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char ch : data) {
    crc = table[(crc ^ static_cast<unsigned char>(ch)) & 0xFFu] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFu;
}

std::string Frame(char type, std::string_view payload) {
  char head[64];
  const int n =
      std::snprintf(head, sizeof head, "%.*s %c %zu %08x\n", static_cast<int>(kMagic.size()),
                    kMagic.data(), type, payload.size(), static_cast<unsigned>(Crc32(payload)));
  std::string out(head, static_cast<std::size_t>(n));
  out.append(payload);
  out.push_back('\n');
  return out;
}

// Fields are TAB-separated on lines; a value keeps its TABs, line breaks and backslashes
// through escapes.
void AppendEscaped(std::string& out, std::string_view value) {
  for (const char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
}

std::string Unescaped(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out.push_back(value[i]);
      continue;
    }
    const char c = value[++i];
    out.push_back(c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c);
  }
  return out;
}

void AddLine(std::string& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (const std::string_view f : fields) {
    if (!first) out.push_back('\t');
    first = false;
    AppendEscaped(out, f);
  }
  out.push_back('\n');
}

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', from);
    fields.push_back(
        Unescaped(line.substr(from, tab == std::string_view::npos ? tab : tab - from)));
    if (tab == std::string_view::npos) break;
    from = tab + 1;
  }
  return fields;
}

template <typename Int>
bool ParseInt(std::string_view text, Int& out) {
  Int v{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  out = v;
  return true;
}

void AppendTweetLine(std::string& out, const TweetRecord& t) {
  const std::string followers = std::to_string(t.Followers);
  const std::string following = std::to_string(t.Following);
  const std::string offset = std::to_string(t.UTC_Offset);
  const std::string retweeted = std::to_string(t.Retweeted);
  AddLine(out,
          {"tweet", t.DateTime, t.ScreenName, t.Text, t.TweetID, t.RealName, followers, following,
           t.Location, offset, t.GeoCoords, t.UserTweets, retweeted, t.LinkURL, t.Description});
}

std::optional<TweetRecord> ParseTweetLine(const std::vector<std::string>& f) {
  if (f.size() != 15) return std::nullopt;
  TweetRecord t;
  t.DateTime = f[1];
  t.ScreenName = f[2];
  t.Text = f[3];
  t.TweetID = f[4];
  t.RealName = f[5];
  if (!ParseInt(f[6], t.Followers) || !ParseInt(f[7], t.Following) ||
      !ParseInt(f[9], t.UTC_Offset) || !ParseInt(f[12], t.Retweeted)) {
    return std::nullopt;
  }
  t.Location = f[8];
  t.GeoCoords = f[10];
  t.UserTweets = f[11];
  t.LinkURL = f[13];
  t.Description = f[14];
  return t;
}

template <typename Fn>
void ForEachLine(std::string_view payload, Fn&& fn) {
  std::size_t from = 0;
  while (from < payload.size()) {
    std::size_t end = payload.find('\n', from);
    if (end == std::string_view::npos) end = payload.size();
    if (end > from) fn(SplitFields(payload.substr(from, end - from)));
    from = end + 1;
  }
}

std::string HeaderPayload(const RecoveryHeader& h) {
  std::string p;
  AddLine(p, {"kind", h.kind == RecoveryHeader::Kind::Search    ? "search"
                      : h.kind == RecoveryHeader::Kind::Hydrate ? "hydrate"
                                                                : "timelines"});
  AddLine(p, {"query", h.query});
  AddLine(p, {"lang", h.lang});
  AddLine(p, {"geocode", h.geocode});
  AddLine(p, {"since", h.since_id});
  AddLine(p, {"threshold", std::to_string(ToSerialSeconds(h.threshold))});
  AddLine(p, {"base", h.base_file});
  AddLine(p, {"update", h.update ? "1" : "0"});
  AddLine(p, {"ids", h.users_are_ids ? "1" : "0"});
  for (std::size_t i = 0; i < h.users.size(); ++i) {
    AddLine(p, {"user", h.users[i], i < h.user_since.size() ? h.user_since[i] : ""});
  }
  return p;
}

bool ParseHeader(std::string_view payload, RecoveryHeader& h) {
  bool have_kind = false;
  bool ok = true;
  ForEachLine(payload, [&](const std::vector<std::string>& f) {
    const std::string& key = f[0];
    const std::string value = f.size() > 1 ? f[1] : std::string();
    if (key == "kind") {
      have_kind = value == "search" || value == "timelines" || value == "hydrate";
      h.kind = value == "timelines" ? RecoveryHeader::Kind::Timelines
               : value == "hydrate" ? RecoveryHeader::Kind::Hydrate
                                    : RecoveryHeader::Kind::Search;
    } else if (key == "query") {
      h.query = value;
    } else if (key == "lang") {
      h.lang = value;
    } else if (key == "geocode") {
      h.geocode = value;
    } else if (key == "since") {
      h.since_id = value;
    } else if (key == "threshold") {
      std::int64_t s = 0;
      if (!ParseInt(value, s)) ok = false;
      h.threshold = FromSerialSeconds(s);
    } else if (key == "base") {
      h.base_file = value;
    } else if (key == "update") {
      h.update = value == "1";
    } else if (key == "ids") {
      h.users_are_ids = value == "1";
    } else if (key == "user") {
      h.users.push_back(value);
      h.user_since.push_back(f.size() > 2 ? f[2] : std::string());
    }
  });
  return ok && have_kind;
}

// Applies one page record; false when its contents do not make sense (the record is then
// treated like a torn one: it and everything after it are left out).
bool ApplyPage(std::string_view payload, RecoveredRetrieval& r) {
  std::int64_t base = -1;
  RecoveryState state;
  MissingIds missing;
  std::vector<TweetRecord> tweets;
  bool ok = true;
  ForEachLine(payload, [&](const std::vector<std::string>& f) {
    const std::string& key = f[0];
    if (key == "tweet") {
      auto t = ParseTweetLine(f);
      if (t) {
        tweets.push_back(std::move(*t));
      } else {
        ok = false;
      }
    } else if (key == "at" && f.size() > 1) {
      if (!ParseInt(f[1], base)) ok = false;
    } else if (key == "max_id" && f.size() > 1) {
      state.max_id = f[1];
    } else if (key == "user_index" && f.size() > 1) {
      if (!ParseInt(f[1], state.user_index)) ok = false;
    } else if (key == "missing" && f.size() > 1) {
      missing.emplace_back(f[1], f.size() > 2 ? f[2] : std::string());
    }
  });
  if (!ok || base < 0 || base > static_cast<std::int64_t>(r.tweets.size())) return false;
  r.tweets.resize(static_cast<std::size_t>(base));
  for (auto& t : tweets) r.tweets.push_back(std::move(t));
  r.missing.insert(r.missing.end(), missing.begin(), missing.end());
  r.state = std::move(state);
  ++r.pages;
  return true;
}

bool WriteAllFd(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::string RecoveryLog::PathIn(const std::string& folder) {
  return (std::filesystem::path(folder) / std::string(kFileName)).string();
}

RecoveryLog::~RecoveryLog() {
  Close();
}

bool RecoveryLog::OpenLocked(const std::string& path, bool truncate, std::string* error) {
  Close();
  const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (truncate ? O_CREAT | O_TRUNC : 0);
  UniqueFd fd(::open(path.c_str(), flags, 0600));
  if (!fd.valid()) {
    if (error != nullptr) *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (error != nullptr) *error = path + " is in use by another running retrieval";
    return false;
  }
  fd_ = std::move(fd);
  path_ = path;
  return true;
}

bool RecoveryLog::Begin(const std::string& path, const RecoveryHeader& header, std::string* error) {
  Close();
  if (RecoveryFileInUse(path)) {
    if (error != nullptr) *error = path + " is in use by another running retrieval";
    return false;
  }
  // The header goes in whole or not at all, and replaces a journal nobody took up.
  if (!WritePrivateFileAtomically(path, Frame(kHeaderRecord, HeaderPayload(header)), error)) {
    return false;
  }
  if (!OpenLocked(path, false, error)) return false;
  in_file_ = 0;
  in_set_ = 0;
  user_index_ = 0;
  return true;
}

bool RecoveryLog::Continue(const std::string& path, std::int32_t in_file, std::int32_t in_set,
                           std::string* error) {
  if (!OpenLocked(path, false, error)) return false;
  in_file_ = in_file;
  in_set_ = in_set < 0 ? 0 : (in_set > in_file ? in_file : in_set);
  return true;
}

bool RecoveryLog::AppendPage(const TweetSet& tweets, const RecoveryState& state,
                             const MissingIds& missing) {
  if (!fd_.valid()) return false;
  const std::int32_t count = tweets.Count();
  // Records already journalled stay as they are; were any dropped (never seen so far), the
  // whole set is written again over its old place.
  std::int32_t from = in_set_;
  std::int32_t at = in_file_;
  if (count < in_set_) {
    from = 0;
    at = in_file_ - in_set_;
  }
  std::string p;
  AddLine(p, {"at", std::to_string(at)});
  AddLine(p, {"max_id", state.max_id});
  AddLine(p, {"user_index", std::to_string(state.user_index)});
  for (const auto& [id, reason] : missing) AddLine(p, {"missing", id, reason});
  for (std::int32_t i = from + 1; i <= count; ++i) AppendTweetLine(p, tweets.At(i));
  if (!Append(kPageRecord, p)) return false;
  in_file_ = at + (count - from);
  in_set_ = count;
  return true;
}

bool RecoveryLog::Append(char type, const std::string& payload) {
  const std::string record = Frame(type, payload);
  bool ok = WriteAllFd(fd_.get(), record);
  if (ok && sync_) ok = ::fdatasync(fd_.get()) == 0;
  if (!ok) {
    last_error_ = "cannot write " + path_ + ": " + std::strerror(errno);
    // A journal with a gap would restore the wrong tweets; keep what is whole and stop.
    Close();
  }
  return ok;
}

void RecoveryLog::Finish() {
  if (fd_.valid()) {
    ::unlink(path_.c_str());
    Close();
  }
}

void RecoveryLog::Close() {
  fd_.Reset();
}

std::optional<RecoveredRetrieval> ParseRecoveryJournal(std::string_view bytes) {
  RecoveredRetrieval r;
  bool have_header = false;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t eol = bytes.find('\n', pos);
    if (eol == std::string_view::npos || eol - pos > 64) break;
    const std::string_view head = bytes.substr(pos, eol - pos);
    // "WFR1 T LEN CRC"
    if (head.size() < kMagic.size() + 4 || head.substr(0, kMagic.size()) != kMagic ||
        head[kMagic.size()] != ' ' || head[kMagic.size() + 2] != ' ') {
      break;
    }
    const char type = head[kMagic.size() + 1];
    const std::string_view rest = head.substr(kMagic.size() + 3);
    const std::size_t space = rest.find(' ');
    if (space == std::string_view::npos) break;
    std::size_t length = 0;
    std::uint32_t crc = 0;
    if (!ParseInt(rest.substr(0, space), length)) break;
    const std::string_view crc_text = rest.substr(space + 1);
    const auto [end, ec] =
        std::from_chars(crc_text.data(), crc_text.data() + crc_text.size(), crc, 16);
    if (ec != std::errc() || end != crc_text.data() + crc_text.size()) break;
    const std::size_t body = eol + 1;
    if (length > bytes.size() - body || bytes.size() - body - length < 1 ||
        bytes[body + length] != '\n') {
      break;
    }
    const std::string_view payload = bytes.substr(body, length);
    if (Crc32(payload) != crc) break;
    if (!have_header) {
      if (type != kHeaderRecord || !ParseHeader(payload, r.header)) return std::nullopt;
      have_header = true;
    } else if (type == kPageRecord) {
      if (!ApplyPage(payload, r)) break;
    }
    pos = body + length + 1;
  }
  if (!have_header) return std::nullopt;
  r.torn_tail = pos < bytes.size();
  return r;
}

std::optional<RecoveredRetrieval> ReadRecoveryFile(const std::string& path, std::string* error) {
  const auto bytes = ReadWholeFile(path, error);
  if (!bytes) return std::nullopt;
  auto r = ParseRecoveryJournal(*bytes);
  if (!r && error != nullptr) *error = path + " does not start with a whole header record";
  return r;
}

bool RecoveryFileInUse(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

}  // namespace wf
