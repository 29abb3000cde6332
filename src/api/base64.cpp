#include "api/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "util/cp1252.h"

namespace wf {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::size_t kGroupsPerLine = 18;  // 72 output characters

// Bytes outside the alphabet, "=" among them, decode as 0 rather than being rejected; whoever
// reads the decoded text decides whether it makes sense.
constexpr std::array<std::uint8_t, 256> MakeReverseTable() {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
    table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> kReverse = MakeReverseTable();

}  // namespace

std::string Base64Encode(std::string_view text) {
  // One byte per character, so padding the bytes is padding the characters.
  std::string bytes = Utf8ToCp1252(text);
  const std::size_t padding = bytes.size() % 3 == 0 ? 0 : 3 - bytes.size() % 3;
  bytes.append(padding, '\0');

  const std::size_t groups = bytes.size() / 3;
  const std::size_t encoded_length = groups * 4;
  std::string out;
  out.reserve(encoded_length + 2 * (encoded_length / 72));
  for (std::size_t g = 0; g < groups; ++g) {
    const auto b0 = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3 * g]));
    const auto b1 = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3 * g + 1]));
    const auto b2 = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3 * g + 2]));
    const std::uint32_t v = (b0 << 16) | (b1 << 8) | b2;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back(kAlphabet[v & 63]);
    if ((g + 1) % kGroupsPerLine == 0) out.append("\r\n");
  }

  // The padding marks belong to the data, ahead of a line break that closes a full last line.
  std::size_t data_end = out.size();
  if (data_end >= 2 && out.compare(data_end - 2, 2, "\r\n") == 0) data_end -= 2;
  for (std::size_t i = 0; i < padding && i < data_end; ++i) out[data_end - 1 - i] = '=';
  return out;
}

std::string Base64Decode(std::string_view encoded) {
  std::string compact;
  compact.reserve(encoded.size());
  for (char c : encoded) {
    if (c != '\r' && c != '\n') compact.push_back(c);
  }
  // Counting in Windows-1252 bytes counts characters: each one becomes exactly one byte.
  const std::string bytes = Utf8ToCp1252(compact);
  if (bytes.size() % 4 != 0) throw Base64Error();

  // The count comes from "=" anywhere in the text, not only at its end; a stray "=" inside
  // still shortens the result.
  std::size_t padding = 0;
  if (bytes.find("==") != std::string::npos) {
    padding = 2;
  } else if (bytes.find('=') != std::string::npos) {
    padding = 1;
  }

  std::string decoded;
  decoded.reserve(bytes.size() / 4 * 3);
  for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
    auto t = [&](std::size_t k) {
      return static_cast<std::uint32_t>(kReverse[static_cast<unsigned char>(bytes[i + k])]);
    };
    const std::uint32_t v = (t(0) << 18) | (t(1) << 12) | (t(2) << 6) | t(3);
    decoded.push_back(static_cast<char>((v >> 16) & 255));
    decoded.push_back(static_cast<char>((v >> 8) & 255));
    decoded.push_back(static_cast<char>(v & 255));
  }
  decoded.resize(decoded.size() - std::min(padding, decoded.size()));
  return Cp1252ToUtf8(decoded);
}

}  // namespace wf
