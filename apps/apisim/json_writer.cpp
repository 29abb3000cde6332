#include "apisim/json_writer.h"

#include <array>
#include <charconv>

namespace wf::apisim {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendU16(std::string& out, unsigned unit) {
  const char esc[6] = {
      '\\',           'u', kHex[(unit >> 12) & 15], kHex[(unit >> 8) & 15], kHex[(unit >> 4) & 15],
      kHex[unit & 15]};
  out.append(esc, 6);
}

constexpr std::array<bool, 128> MakePlainTable() {
  std::array<bool, 128> plain{};
  for (int c = 0x20; c < 0x7f; ++c) plain[c] = true;
  plain['"'] = plain['\\'] = plain['/'] = plain['<'] = plain['>'] = false;
  plain['{'] = plain['}'] = false;
  return plain;
}
constexpr std::array<bool, 128> kPlain = MakePlainTable();

// Decodes one UTF-8 sequence at text[i]; returns the code point and advances i, or returns
// -1 and advances by one byte when the sequence is malformed.
int32_t DecodeUtf8(std::string_view text, size_t& i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  int len = 0;
  int32_t cp = 0;
  if (b0 >= 0xc2 && b0 <= 0xdf) {
    len = 2;
    cp = b0 & 0x1f;
  } else if (b0 >= 0xe0 && b0 <= 0xef) {
    len = 3;
    cp = b0 & 0x0f;
  } else if (b0 >= 0xf0 && b0 <= 0xf4) {
    len = 4;
    cp = b0 & 0x07;
  } else {
    ++i;
    return -1;
  }
  if (i + len > text.size()) {
    ++i;
    return -1;
  }
  for (int k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xc0) != 0x80) {
      ++i;
      return -1;
    }
    cp = (cp << 6) | (b & 0x3f);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10ffff)) ||
      (cp >= 0xd800 && cp <= 0xdfff)) {
    ++i;
    return -1;
  }
  i += len;
  return cp;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    size_t run = i;
    while (run < n) {
      const auto b = static_cast<unsigned char>(text[run]);
      if (b >= 0x80 || !kPlain[b]) break;
      ++run;
    }
    if (run > i) {
      out.append(text.data() + i, run - i);
      i = run;
      if (i == n) break;
    }
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      switch (b) {
        case '"':
          out.append("\\\"");
          break;
        case '\\':
          out.append("\\\\");
          break;
        case '/':
          out.append("\\/");
          break;
        case '\n':
          out.append("\\n");
          break;
        case '\r':
          out.append("\\r");
          break;
        case '\t':
          out.append("\\t");
          break;
        case '\b':
          out.append("\\b");
          break;
        case '\f':
          out.append("\\f");
          break;
        default:
          AppendU16(out, b);
          break;  // other controls, "<", ">", braces and DEL
      }
      ++i;
      continue;
    }
    const int32_t cp = DecodeUtf8(text, i);
    if (cp < 0) {
      AppendU16(out, 0xfffd);
    } else if (cp >= 0x10000) {
      const int32_t v = cp - 0x10000;
      AppendU16(out, 0xd800 + (v >> 10));
      AppendU16(out, 0xdc00 + (v & 0x3ff));
    } else {
      AppendU16(out, static_cast<unsigned>(cp));
    }
  }
  out.push_back('"');
}

void AppendJsonStringUtf8(std::string& out, std::string_view text) {
  static constexpr char kUpper[] = "0123456789ABCDEF";
  auto unit = [&out](unsigned u) {
    const char esc[6] = {
        '\\',          'u', kUpper[(u >> 12) & 15], kUpper[(u >> 8) & 15], kUpper[(u >> 4) & 15],
        kUpper[u & 15]};
    out.append(esc, 6);
  };
  out.push_back('"');
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x20 && b < 0x80 && b != '"' && b != '\\') {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    if (b < 0x80) {
      switch (b) {
        case '"':
          out.append("\\\"");
          break;
        case '\\':
          out.append("\\\\");
          break;
        case '\n':
          out.append("\\n");
          break;
        case '\r':
          out.append("\\r");
          break;
        case '\t':
          out.append("\\t");
          break;
        default:
          unit(b);
          break;
      }
      ++i;
      continue;
    }
    const size_t start = i;
    const int32_t cp = DecodeUtf8(text, i);
    if (cp < 0) {
      out.append("\xEF\xBF\xBD");  // U+FFFD as UTF-8
    } else if (cp >= 0x10000) {
      const int32_t v = cp - 0x10000;
      unit(static_cast<unsigned>(0xd800 + (v >> 10)));
      unit(static_cast<unsigned>(0xdc00 + (v & 0x3ff)));
    } else {
      out.append(text.data() + start, i - start);
    }
  }
  out.push_back('"');
}

void JsonWriter::Separate() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (depth_ > 0) {
    const uint64_t bit = uint64_t{1} << (depth_ - 1);
    if (filled_ & bit) out_.push_back(',');
    filled_ |= bit;
  }
}

JsonWriter& JsonWriter::BeginObject() {
  Separate();
  out_.push_back('{');
  ++depth_;
  filled_ &= ~(uint64_t{1} << (depth_ - 1));
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  out_.push_back('}');
  --depth_;
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  Separate();
  out_.push_back('[');
  ++depth_;
  filled_ &= ~(uint64_t{1} << (depth_ - 1));
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  out_.push_back(']');
  --depth_;
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  Separate();
  // Keys are fixed ASCII identifiers; no escaping needed.
  out_.push_back('"');
  out_.append(key);
  out_.append("\":");
  after_key_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
  Separate();
  if (utf8_) {
    AppendJsonStringUtf8(out_, value);
  } else {
    AppendJsonString(out_, value);
  }
  return *this;
}

JsonWriter& JsonWriter::Int(int64_t value) {
  Separate();
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  out_.append(buf, r.ptr);
  return *this;
}

JsonWriter& JsonWriter::UInt(uint64_t value) {
  Separate();
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  out_.append(buf, r.ptr);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  Separate();
  out_.append(value ? "true" : "false");
  return *this;
}

JsonWriter& JsonWriter::Null() {
  Separate();
  out_.append("null");
  return *this;
}

JsonWriter& JsonWriter::Raw(std::string_view literal) {
  Separate();
  out_.append(literal);
  return *this;
}

JsonWriter& JsonWriter::Id(std::string_view key, uint64_t value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  const std::string_view digits(buf, static_cast<size_t>(r.ptr - buf));
  Key(key).Raw(digits);
  Separate();
  out_.push_back('"');
  out_.append(key);
  out_.append("_str\":\"");
  out_.append(digits);
  out_.push_back('"');
  return *this;
}

std::string FixedDecimal(int64_t value, int scale) {
  std::string out;
  if (value < 0) {
    out.push_back('-');
    value = -value;
  }
  int64_t div = 1;
  for (int k = 0; k < scale; ++k) div *= 10;
  out += std::to_string(value / div);
  int64_t frac = value % div;
  if (frac != 0) {
    std::string digits = std::to_string(frac);
    digits.insert(0, static_cast<size_t>(scale) - digits.size(), '0');
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    out.push_back('.');
    out += digits;
  }
  return out;
}

}  // namespace wf::apisim
