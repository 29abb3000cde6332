// Any appcred file contents: parsed or refused, never a crash; what is accepted, encoded as
// the window writes it, reads back as the same three values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "api/base64.h"
#include "credentials/appcred_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto fields = wf::ParseAppcred(text);
  if (!fields) return 0;
  const auto& f = *fields;
  std::string line = wf::Base64Encode(f[0] + "\r\n" + f[1] + "\r\n" + f[2]);
  std::erase(line, '\r');
  std::erase(line, '\n');
  line += "\r\n";
  const auto again = wf::ParseAppcred(line);
  if (!again || *again != f) std::abort();
  return 0;
}
