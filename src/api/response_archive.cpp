#include "api/response_archive.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "util/cp1252.h"

namespace wf {
namespace {

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return buf;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the JSON string starting at the quote at `pos`; advances `pos` past its end.
std::optional<std::string> ReadString(std::string_view s, std::size_t& pos) {
  if (pos >= s.size() || s[pos] != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = pos + 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      pos = i + 1;
      return out;
    }
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    switch (s[i]) {
      case '"':
        out.push_back('"');
        break;
      case '\\':
        out.push_back('\\');
        break;
      case '/':
        out.push_back('/');
        break;
      case 'b':
        out.push_back('\b');
        break;
      case 'f':
        out.push_back('\f');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'u': {
        auto read4 = [&](std::size_t at) -> int {
          if (at + 4 > s.size()) return -1;
          int v = 0;
          for (std::size_t k = at; k < at + 4; ++k) {
            const int h = Hex(s[k]);
            if (h < 0) return -1;
            v = v * 16 + h;
          }
          return v;
        };
        int cp = read4(i + 1);
        if (cp < 0) return std::nullopt;
        i += 4;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 6 < s.size() && s[i + 1] == '\\' &&
            s[i + 2] == 'u') {
          const int low = read4(i + 3);
          if (low >= 0xDC00 && low <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
          }
        }
        AppendUtf8(out, static_cast<char32_t>(cp));
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

void SkipSpaces(std::string_view s, std::size_t& pos) {
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\r' || s[pos] == '\n'))
    ++pos;
}

}  // namespace

std::string JsonQuote(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 2);
  out.push_back('"');
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
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
      default:
        if (b < 0x20) {
          out += "\\u00";
          out.push_back(kHex[b >> 4]);
          out.push_back(kHex[b & 15]);
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

ResponseArchive::~ResponseArchive() {
  Close();
}

bool ResponseArchive::Open(const std::string& path, std::string* error) {
  Close();
  EnsureArchiveLineEnd(path);
  file_ = std::fopen(path.c_str(), "ab");
  if (file_ == nullptr) {
    if (error != nullptr) *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  path_ = path;
  return true;
}

void ResponseArchive::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool ResponseArchive::Append(std::string_view url, int status, std::string_view body) {
  if (file_ == nullptr) return false;
  std::string line = "{\"time\":\"" + UtcNow() + "\",\"url\":" + JsonQuote(url) +
                     ",\"status\":" + std::to_string(status) + ",\"body\":" + JsonQuote(body) +
                     "}\n";
  const bool ok = std::fwrite(line.data(), 1, line.size(), file_) == line.size();
  return std::fflush(file_) == 0 && ok;
}

std::optional<ArchivedResponse> ParseArchiveLine(std::string_view line) {
  std::size_t pos = 0;
  SkipSpaces(line, pos);
  if (pos >= line.size() || line[pos] != '{') return std::nullopt;
  ++pos;
  ArchivedResponse r;
  bool have_url = false;
  bool have_body = false;
  for (;;) {
    SkipSpaces(line, pos);
    if (pos < line.size() && line[pos] == '}') break;
    const auto key = ReadString(line, pos);
    if (!key) return std::nullopt;
    SkipSpaces(line, pos);
    if (pos >= line.size() || line[pos] != ':') return std::nullopt;
    ++pos;
    SkipSpaces(line, pos);
    if (pos < line.size() && line[pos] == '"') {
      auto value = ReadString(line, pos);
      if (!value) return std::nullopt;
      if (*key == "time") r.time = std::move(*value);
      if (*key == "url") {
        r.url = std::move(*value);
        have_url = true;
      }
      if (*key == "body") {
        r.body = std::move(*value);
        have_body = true;
      }
    } else {
      const std::size_t start = pos;
      while (pos < line.size() && line[pos] != ',' && line[pos] != '}') ++pos;
      if (*key == "status")
        r.status = std::atoi(std::string(line.substr(start, pos - start)).c_str());
    }
    SkipSpaces(line, pos);
    if (pos < line.size() && line[pos] == ',') {
      ++pos;
      continue;
    }
    if (pos < line.size() && line[pos] == '}') break;
    return std::nullopt;
  }
  if (!have_url || !have_body) return std::nullopt;
  return r;
}

bool IsCutOffArchiveLine(std::string_view line) {
  return line.rfind("{\"time\":\"", 0) == 0 && !ParseArchiveLine(line);
}

bool EnsureArchiveLineEnd(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return true;  // nothing there yet
  int last = '\n';
  if (std::fseek(f, -1, SEEK_END) == 0) last = std::fgetc(f);
  std::fclose(f);
  if (last == '\n' || last == EOF) return true;
  f = std::fopen(path.c_str(), "ab");
  if (f == nullptr) return false;
  const bool ok = std::fputc('\n', f) != EOF;
  return std::fclose(f) == 0 && ok;
}

}  // namespace wf
