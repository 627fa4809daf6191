#pragma once

// Camellia-128, Camellia-192 and Camellia-256 key types over Nettle's generic cipher tables,
// adapted to kavrit::BlockCipher: a second implementation beside examples/openssl's Camellia.
// Only the raw block operations are adapted; kavrit supplies the modes on top of them.

#include <nettle/nettle-meta.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

template <const nettle_cipher* Meta, long KeyBits>
class NettleCamellia {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return KeyBits; }

  /// Accepts exactly KeyBits / 8 bytes.
  static std::optional<NettleCamellia> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8) || key.size() != Meta->key_size) {
      return std::nullopt;
    }
    return NettleCamellia(key);
  }
  ByteString encryptBlock(const ByteString& in) const {
    return apply(Meta->encrypt, encrypt_.get(), in);
  }
  ByteString decryptBlock(const ByteString& in) const {
    return apply(Meta->decrypt, decrypt_.get(), in);
  }

 private:
  using Context = std::shared_ptr<std::byte[]>;

  // Both key schedules run once; copies of the key share them (they are never written again).
  explicit NettleCamellia(const ByteString& key)
      : encrypt_(new std::byte[Meta->context_size]), decrypt_(new std::byte[Meta->context_size]) {
    Meta->set_encrypt_key(encrypt_.get(), key.data());
    Meta->set_decrypt_key(decrypt_.get(), key.data());
  }

  static ByteString apply(nettle_cipher_func* f, const std::byte* ctx, const ByteString& in) {
    if (in.size() % Meta->block_size != 0) {
      throw std::invalid_argument("Camellia: input is not whole blocks");
    }
    ByteString out(in.size());
    if (!in.empty()) f(ctx, in.size(), out.data(), in.data());
    return out;
  }

  Context encrypt_;
  Context decrypt_;
};

using NettleCamellia128 = NettleCamellia<&nettle_camellia128, 128>;
using NettleCamellia192 = NettleCamellia<&nettle_camellia192, 192>;
using NettleCamellia256 = NettleCamellia<&nettle_camellia256, 256>;

}  // namespace kavrit::examples
