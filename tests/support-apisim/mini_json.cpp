#include "support-apisim/mini_json.h"

#include <cstdint>

namespace wf::apisim::test {

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : s_(text) {}

  bool Document(JValue& out) {
    Blank();
    if (!Value(out, 0)) return false;
    Blank();
    return pos_ == s_.size() || Fail("trailing characters");
  }
  std::string error;

 private:
  bool Fail(const std::string& what) {
    if (error.empty()) error = what + " at offset " + std::to_string(pos_);
    return false;
  }
  void Blank() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t'))
      ++pos_;
  }
  bool Literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return Fail("bad literal");
    pos_ += word.size();
    return true;
  }
  static void PutUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xc0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xe0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else {
      out.push_back(static_cast<char>(0xf0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3f)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    }
  }
  bool Hex4(uint32_t& v) {
    if (pos_ + 4 > s_.size()) return Fail("short \\u escape");
    v = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s_[pos_++];
      v <<= 4;
      if (c >= '0' && c <= '9') {
        v |= static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        v |= static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        v |= static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return Fail("bad hex digit");
      }
    }
    return true;
  }
  bool String(std::string& out) {
    ++pos_;  // opening quote
    while (true) {
      if (pos_ >= s_.size()) return Fail("unterminated string");
      const char c = s_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("raw control character in string");
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (pos_ >= s_.size()) return Fail("dangling backslash");
      const char e = s_[pos_++];
      switch (e) {
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
          uint32_t cp = 0;
          if (!Hex4(cp)) return false;
          if (cp >= 0xdc00 && cp <= 0xdfff) return Fail("lone low surrogate");
          if (cp >= 0xd800 && cp <= 0xdbff) {
            uint32_t low = 0;
            if (s_.substr(pos_, 2) != "\\u") return Fail("lone high surrogate");
            pos_ += 2;
            if (!Hex4(low)) return false;
            if (low < 0xdc00 || low > 0xdfff) return Fail("bad low surrogate");
            cp = 0x10000 + ((cp - 0xd800) << 10) + (low - 0xdc00);
          }
          PutUtf8(out, cp);
          break;
        }
        default:
          return Fail("bad escape");
      }
    }
  }
  bool Number(JValue& out) {
    const size_t start = pos_;
    if (s_[pos_] == '-') ++pos_;
    size_t digits = 0;
    while (pos_ < s_.size() &&
           ((s_[pos_] >= '0' && s_[pos_] <= '9') || s_[pos_] == '.' || s_[pos_] == 'e' ||
            s_[pos_] == 'E' || s_[pos_] == '+' || s_[pos_] == '-')) {
      ++pos_;
      ++digits;
    }
    if (digits == 0) return Fail("bad number");
    out.kind = JValue::kNumber;
    out.text = std::string(s_.substr(start, pos_ - start));
    return true;
  }
  bool Value(JValue& out, int depth) {
    if (depth > 64) return Fail("too deep");
    if (pos_ >= s_.size()) return Fail("unexpected end");
    const char c = s_[pos_];
    if (c == '{') {
      out.kind = JValue::kObject;
      ++pos_;
      Blank();
      if (pos_ < s_.size() && s_[pos_] == '}') {
        ++pos_;
        return true;
      }
      while (true) {
        Blank();
        if (pos_ >= s_.size() || s_[pos_] != '"') return Fail("expected a key");
        std::string key;
        if (!String(key)) return false;
        Blank();
        if (pos_ >= s_.size() || s_[pos_] != ':') return Fail("expected ':'");
        ++pos_;
        Blank();
        JValue v;
        if (!Value(v, depth + 1)) return false;
        out.keys.push_back(std::move(key));
        out.values.push_back(std::move(v));
        Blank();
        if (pos_ < s_.size() && s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (pos_ < s_.size() && s_[pos_] == '}') {
          ++pos_;
          return true;
        }
        return Fail("expected ',' or '}'");
      }
    }
    if (c == '[') {
      out.kind = JValue::kArray;
      ++pos_;
      Blank();
      if (pos_ < s_.size() && s_[pos_] == ']') {
        ++pos_;
        return true;
      }
      while (true) {
        Blank();
        JValue v;
        if (!Value(v, depth + 1)) return false;
        out.items.push_back(std::move(v));
        Blank();
        if (pos_ < s_.size() && s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (pos_ < s_.size() && s_[pos_] == ']') {
          ++pos_;
          return true;
        }
        return Fail("expected ',' or ']'");
      }
    }
    if (c == '"') {
      out.kind = JValue::kString;
      return String(out.text);
    }
    if (c == 't' || c == 'f') {
      out.kind = JValue::kBool;
      out.boolean = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') {
      out.kind = JValue::kNull;
      return Literal("null");
    }
    return Number(out);
  }

  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace

const JValue* JValue::Find(std::string_view key) const {
  for (size_t i = 0; i < keys.size(); ++i)
    if (keys[i] == key) return &values[i];
  return nullptr;
}

const JValue& JValue::operator[](std::string_view key) const {
  static const JValue kNullValue;
  const JValue* v = Find(key);
  return v != nullptr ? *v : kNullValue;
}

std::vector<std::string> JValue::Keys() const {
  return keys;
}

std::optional<JValue> ParseJson(std::string_view text, std::string* error) {
  Reader reader(text);
  JValue root;
  if (!reader.Document(root)) {
    if (error != nullptr) *error = reader.error;
    return std::nullopt;
  }
  return root;
}

}  // namespace wf::apisim::test
