#pragma once

// Twofish key types over Nettle, adapted to kavrit::BlockCipher. Every type takes 128-, 192- and
// 256-bit keys, since Twofish vector files mix all three; the type's keyLength only sets the size
// of the keys that the property tests draw. Only the raw block operations are adapted; kavrit
// supplies the modes on top of them.

#include <nettle/twofish.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

template <long KeyBits>
class NettleTwofish {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return KeyBits; }

  /// Accepts keys of 16, 24 or 32 bytes.
  static std::optional<NettleTwofish> buildKey(const ByteString& key) {
    if (key.size() != TWOFISH128_KEY_SIZE && key.size() != TWOFISH192_KEY_SIZE &&
        key.size() != TWOFISH256_KEY_SIZE) {
      return std::nullopt;
    }
    return NettleTwofish(key);
  }

  ByteString encryptBlock(const ByteString& in) const {
    ByteString out(checked(in));
    if (!in.empty()) twofish_encrypt(context_.get(), in.size(), out.data(), in.data());
    return out;
  }

  ByteString decryptBlock(const ByteString& in) const {
    ByteString out(checked(in));
    if (!in.empty()) twofish_decrypt(context_.get(), in.size(), out.data(), in.data());
    return out;
  }

 private:
  // The key schedule runs once; copies of the key share it (it is never written again).
  explicit NettleTwofish(const ByteString& key) : context_(std::make_shared<twofish_ctx>()) {
    twofish_set_key(context_.get(), key.size(), key.data());
  }

  static std::size_t checked(const ByteString& in) {
    if (in.size() % TWOFISH_BLOCK_SIZE != 0) {
      throw std::invalid_argument("Twofish: input is not whole blocks");
    }
    return in.size();
  }

  std::shared_ptr<twofish_ctx> context_;
};

using Twofish128 = NettleTwofish<128>;
using Twofish192 = NettleTwofish<192>;
using Twofish256 = NettleTwofish<256>;

}  // namespace kavrit::examples
