#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace wf {

// Raised by Base64Decode for input whose length (CR and LF removed) is not a multiple of 4.
class Base64Error : public std::runtime_error {
 public:
  static constexpr long kNumber = -2147221504;  // 0x80040000
  static constexpr std::string_view kSource = "MyDecode";
  static constexpr std::string_view kDescription = "Input string is not valid Base64.";

  Base64Error() : std::runtime_error(std::string(kDescription)) {}
  long number() const { return kNumber; }
  std::string_view source() const { return kSource; }
};

// Text is taken as Windows-1252 bytes (characters it cannot hold become "?"); lines of 72
// characters are ended with CR LF.
std::string Base64Encode(std::string_view text);

// Returns the decoded Windows-1252 bytes as UTF-8 text. Throws Base64Error.
std::string Base64Decode(std::string_view encoded);

}  // namespace wf
