#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wf::apisim::test {

// A strict JSON reader that keeps member order, so tests can compare the shape of simulated
// responses with recorded ones. Strings are decoded to UTF-8 (surrogate pairs joined); numbers
// keep their literal text, since ids exceed what a double holds.
struct JValue {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = kNull;
  bool boolean = false;
  std::string text;  // number literal or decoded string
  std::vector<JValue> items;
  // Object members in order; two vectors because std::pair cannot hold the incomplete type.
  std::vector<std::string> keys;
  std::vector<JValue> values;

  const JValue* Find(std::string_view key) const;
  // The member or a null value when absent.
  const JValue& operator[](std::string_view key) const;
  std::vector<std::string> Keys() const;
  bool IsNull() const { return kind == kNull; }
};

std::optional<JValue> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace wf::apisim::test
