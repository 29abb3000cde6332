// Escape cleaning, URL encoding and the raw-archive line format on any text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "api/response_archive.h"
#include "util/escapes.h"
#include "util/url_encode.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Cleaned text never holds what would break a tab-separated row, nor a backslash.
  const std::string clean = wf::CleanEscapes(text);
  Check(clean.find_first_of("\\") == std::string::npos);
  if (text.find_first_of("\t\r\n") == std::string_view::npos) {
    Check(clean.find_first_of("\t\r\n") == std::string::npos);
  }
  if (size >= 6) (void)wf::UnicodeEscapeToText(text.substr(0, 6));

  // Encoded queries hold no space and no character that would end a query parameter.
  const std::string encoded = wf::URLEncode(text);
  Check(encoded.find_first_of(" &#=+\"") == std::string::npos);

  // Any bytes survive the archive's string quoting.
  const auto line =
      wf::ParseArchiveLine(R"({"url":"u","status":200,"body":)" + wf::JsonQuote(text) + "}");
  Check(line.has_value() && line->body == text);
  (void)wf::ParseArchiveLine(text);
  return 0;
}
