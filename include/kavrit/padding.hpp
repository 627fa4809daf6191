#pragma once

/// @file
/// ESP padding (RFC 4303): pad bytes 1, 2, 3, ... followed by the pad length, so that the padded
/// text is a whole number of blocks.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "kavrit/byte_string.hpp"

namespace kavrit {

/// Pads `bytes` to a whole number of `blockBytes`-byte blocks. Always adds at least the length
/// byte. Throws std::invalid_argument for a block of 0 bytes or of more than 256 bytes (the pad
/// length must fit in one byte).
inline ByteString padESPBlockSize(std::size_t blockBytes, const ByteString& bytes) {
  if (blockBytes == 0 || blockBytes > 256) {
    throw std::invalid_argument("padESPBlockSize: block of " + std::to_string(blockBytes) +
                                " bytes; ESP padding needs 1 to 256 bytes");
  }
  const std::size_t padLength = (blockBytes - (bytes.size() + 1) % blockBytes) % blockBytes;
  ByteString out;
  out.reserve(bytes.size() + padLength + 1);
  out.insert(out.end(), bytes.begin(), bytes.end());
  for (std::size_t i = 1; i <= padLength; ++i) out.push_back(static_cast<std::uint8_t>(i));
  out.push_back(static_cast<std::uint8_t>(padLength));
  return out;
}

/// Removes ESP padding; nothing when the length byte or any pad byte is wrong.
inline std::optional<ByteString> unpadESP(const ByteString& bytes) {
  if (bytes.empty()) return std::nullopt;
  const std::size_t padLength = bytes.back();
  if (padLength + 1 > bytes.size()) return std::nullopt;
  const std::size_t textLength = bytes.size() - padLength - 1;
  for (std::size_t i = 0; i < padLength; ++i) {
    if (bytes[textLength + i] != static_cast<std::uint8_t>(i + 1)) return std::nullopt;
  }
  return ByteString(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(textLength));
}

}  // namespace kavrit
