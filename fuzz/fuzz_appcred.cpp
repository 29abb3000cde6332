// Any appcred file contents: parsed or refused, never a crash; what is accepted, encoded as
// the window writes it, reads back as the same three values (the file holds Windows-1252, so
// for values that code page can hold).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "api/base64.h"
#include "credentials/appcred_file.h"
#include "util/cp1252.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto fields = wf::ParseAppcred(text);
  if (!fields) return 0;
  const auto& f = *fields;
  for (const auto& v : f) {
    if (wf::Cp1252ToUtf8(wf::Utf8ToCp1252(v)) != v) return 0;
  }
  std::string line = wf::Base64Encode(f[0] + "\r\n" + f[1] + "\r\n" + f[2]);
  std::erase(line, '\r');
  std::erase(line, '\n');
  line += "\r\n";
  const auto again = wf::ParseAppcred(line);
  if (!again || *again != f) std::abort();
  return 0;
}
