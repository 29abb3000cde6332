// Feeds arbitrary text to the Base64 codec: encoding must read back, decoding must fail only
// on a wrong length, and the line layout must hold.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "api/base64.h"
#include "util/cp1252.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string WithoutLineBreaks(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

void CheckEncode(std::string_view in) {
  const std::string encoded = wf::Base64Encode(in);
  const std::size_t n = wf::Utf8ToCp1252(in).size();
  const std::size_t data_length = (n + 2) / 3 * 4;
  Check(encoded.size() == data_length + 2 * (data_length / 72));
  // Full lines of 72 characters each end with CR LF; nothing else breaks the text.
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const bool break_here = i % 74 == 72 || i % 74 == 73;
    Check((encoded[i] == '\r' || encoded[i] == '\n') == break_here);
    if (break_here) Check(encoded[i] == (i % 74 == 72 ? '\r' : '\n'));
  }
  // Whatever the code page can hold comes back exactly; the rest comes back as "?".
  Check(wf::Base64Decode(encoded) == wf::Cp1252ToUtf8(wf::Utf8ToCp1252(in)));
  Check(wf::Base64Decode(WithoutLineBreaks(encoded)) == wf::Base64Decode(encoded));
}

void CheckDecode(std::string_view in) {
  const std::string compact = WithoutLineBreaks(in);
  const std::size_t length = wf::Utf8Length(compact);
  std::string decoded;
  try {
    decoded = wf::Base64Decode(in);
  } catch (const wf::Base64Error&) {
    Check(length % 4 != 0);
    return;
  }
  Check(length % 4 == 0);
  const std::size_t padding = compact.find("==") != std::string::npos  ? 2
                              : compact.find('=') != std::string::npos ? 1
                                                                       : 0;
  const std::size_t full = length / 4 * 3;
  Check(wf::Utf8ToCp1252(decoded).size() == (full > padding ? full - padding : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  CheckEncode(in);
  CheckDecode(in);
  return 0;
}
