#pragma once

// RC4 (Nettle's arcfour) adapted to kavrit::StreamCipher: no nonce, no counter, a keystream that
// never ends.

#include <nettle/arcfour.h>

#include <cstdint>
#include <optional>

#include "kavrit/stream_cipher.hpp"

namespace kavrit::examples {

class NettleArcfour {
 public:
  static constexpr long keyLength() { return 128; }
  /// RC4 takes keys of 5 to 256 bytes.
  static constexpr bool acceptsKeyLength(long bits) {
    return bits % 8 == 0 && bits >= 40 && bits <= 2048;
  }
  static constexpr long nonceLength() { return 0; }
  static constexpr long counterLength() { return 0; }
  static constexpr long blockLength() { return 8; }

  /// Takes keys of 5 to 256 bytes (40 to 2048 bits), an empty nonce and counter 0.
  static std::optional<NettleArcfour> start(const ByteString& key, const ByteString& nonce,
                                            std::uint64_t counter) {
    if (key.size() < 5 || key.size() > ARCFOUR_MAX_KEY_SIZE || !nonce.empty() || counter != 0) {
      return std::nullopt;
    }
    NettleArcfour stream;
    arcfour_set_key(&stream.ctx_, key.size(), key.data());
    return stream;
  }

  std::optional<ByteString> apply(const ByteString& data) {
    ByteString out(data.size());
    if (!data.empty()) arcfour_crypt(&ctx_, data.size(), out.data(), data.data());
    return out;
  }

 private:
  NettleArcfour() : ctx_{} {}

  arcfour_ctx ctx_;
};

}  // namespace kavrit::examples
