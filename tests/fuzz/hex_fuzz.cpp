// Fuzzes the hex decoder: any text either decodes to bytes whose hex encoding is the text up to
// case, or is refused with std::invalid_argument (odd length, or a character that is not a hex
// digit).

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kavrit/hash.hpp"
#include "kavrit/test/hex.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kavrit::ByteString bytes;
  try {
    bytes = kavrit::test::hexStringToBS(text);
  } catch (const std::invalid_argument& error) {
    if (std::string_view(error.what()).empty()) std::abort();
    bool allHex = text.size() % 2 == 0;
    for (const char c : text) allHex = allHex && std::isxdigit(static_cast<unsigned char>(c));
    if (allHex) std::abort();  // a valid text was refused
    return 0;
  }
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (kavrit::toHex(bytes) != lower) std::abort();
  return 0;
}
