#include "kavrit/test/hex.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kavrit::test {
namespace {

constexpr std::uint8_t kInvalid = 0xFF;

constexpr std::array<std::uint8_t, 256> makeDigitTable() {
  std::array<std::uint8_t, 256> table{};
  for (auto& entry : table) entry = kInvalid;
  for (int c = '0'; c <= '9'; ++c)
    table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c)
    table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c)
    table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
  return table;
}

constexpr std::array<std::uint8_t, 256> kDigitValue = makeDigitTable();

std::uint8_t digitValue(char c) { return kDigitValue[static_cast<unsigned char>(c)]; }

// Renders one character of a bad pair for the error message; control and
// non-ASCII bytes are shown as \xNN so the message stays printable.
void appendShown(std::string& out, char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
    out.push_back(c);
    return;
  }
  if (c == '"' || c == '\\') {
    out.push_back('\\');
    out.push_back(c);
    return;
  }
  constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out.push_back(kHex[byte >> 4]);
  out.push_back(kHex[byte & 0x0F]);
}

[[noreturn]] void throwBadPair(std::string_view text, std::size_t pos) {
  std::string message = "hexStringToBS: pair \"";
  appendShown(message, text[pos]);
  appendShown(message, text[pos + 1]);
  message += "\" at character ";
  message += std::to_string(pos);
  message += " is not two hex digits";
  throw std::invalid_argument(message);
}

}  // namespace

ByteString hexStringToBS(std::string_view text) {
  if (text.size() % 2 != 0) {
    throw std::invalid_argument("Not an even number of hex characters in input to hexStringToBS!");
  }
  ByteString out;
  out.reserve(text.size() / 2);
  for (std::size_t pos = 0; pos < text.size(); pos += 2) {
    const std::uint8_t hi = digitValue(text[pos]);
    const std::uint8_t lo = digitValue(text[pos + 1]);
    if (hi == kInvalid || lo == kInvalid) throwBadPair(text, pos);
    out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return out;
}

}  // namespace kavrit::test
