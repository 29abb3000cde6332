#include "util/url_encode.h"

namespace wf {

std::string URLEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    const bool encode = (b >= 32 && b <= 47) || (b >= 58 && b <= 64) || (b >= 91 && b <= 96) ||
                        (b >= 123 && b <= 127);
    if (encode) {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    } else {
      out.push_back(ch);  // UTF-8 bytes of non-ASCII characters pass through whole
    }
  }
  return out;
}

}  // namespace wf
