#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wf::apisim {

// Appends `text` (UTF-8) as a JSON string the way api.twitter.com writes them: 7-bit ASCII
// only, "/" as "\/", "<" ">" "{" "}" as \u003c \u003e \u007b \u007d, every non-ASCII character as a
// lowercase \uXXXX escape (surrogate pairs above U+FFFF). Malformed UTF-8 becomes \ufffd.
void AppendJsonString(std::string& out, std::string_view text);

// Appends `text` as API v2 writes strings: UTF-8 as it is, except characters above U+FFFF,
// which become upper-case surrogate-pair escapes (\uD83E\uDD41); '"', '\\' and control
// characters are escaped, "/" is not. Malformed UTF-8 becomes \uFFFD.
void AppendJsonStringUtf8(std::string& out, std::string_view text);

// A streaming writer for one response body. It only tracks where commas go; member order is
// whatever the caller writes, which is the point: the client's reader depends on it.
class JsonWriter {
 public:
  enum class Strings { kAscii, kUtf8 };  // AppendJsonString or AppendJsonStringUtf8
  explicit JsonWriter(std::string& out, Strings strings = Strings::kAscii)
      : out_(out), utf8_(strings == Strings::kUtf8) {}

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);

  JsonWriter& String(std::string_view value);
  JsonWriter& Int(int64_t value);
  JsonWriter& UInt(uint64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A literal that is already valid JSON (a formatted decimal, say).
  JsonWriter& Raw(std::string_view literal);

  JsonWriter& Str(std::string_view key, std::string_view value) { return Key(key).String(value); }
  JsonWriter& Num(std::string_view key, int64_t value) { return Key(key).Int(value); }
  JsonWriter& UNum(std::string_view key, uint64_t value) { return Key(key).UInt(value); }
  JsonWriter& Flag(std::string_view key, bool value) { return Key(key).Bool(value); }
  JsonWriter& Nil(std::string_view key) { return Key(key).Null(); }
  // The id pair every tweet and user carries: a bare number and its decimal text.
  JsonWriter& Id(std::string_view key, uint64_t value);

 private:
  void Separate();

  std::string& out_;
  // One bit per open container: set once it holds a value, so the next one needs a comma.
  uint64_t filled_ = 0;
  int depth_ = 0;
  bool after_key_ = false;
  bool utf8_ = false;
};

// Decimal text of a fixed-point value with `scale` decimals, trailing zeros trimmed
// (-771194010 with scale 7 is "-77.119401").
std::string FixedDecimal(int64_t value, int scale);

}  // namespace wf::apisim
