#pragma once

// Botan's SM4, SEED and IDEA as kavrit key types: a second implementation to check the OpenSSL
// adapters against, and the only one of IDEA here (Debian's OpenSSL is built without it, and
// Nettle has none).

#include <botan/block_cipher.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/block_cipher.hpp"

namespace kavrit::test {

// A cipher with 128-bit keys and blocks of BlockBits bits.
template <class Algorithm, long BlockBits = 128>
class BotanBlockCipher128 {
 public:
  static constexpr long blockSize() { return BlockBits; }
  static constexpr long keyLength() { return 128; }

  /// Accepts exactly 16 bytes. Throws std::runtime_error when this Botan lacks the cipher.
  static std::optional<BotanBlockCipher128> buildKey(const ByteString& key) {
    if (key.size() != 16) return std::nullopt;
    std::shared_ptr<Botan::BlockCipher> cipher = Botan::BlockCipher::create(Algorithm::name);
    if (!cipher) throw std::runtime_error(std::string("Botan has no ") + Algorithm::name);
    cipher->set_key(key.data(), key.size());
    return BotanBlockCipher128(std::move(cipher));
  }

  ByteString encryptBlock(const ByteString& in) const { return apply(in, true); }
  ByteString decryptBlock(const ByteString& in) const { return apply(in, false); }

 private:
  // Copies of the key share the keyed cipher; its block operations are const.
  explicit BotanBlockCipher128(std::shared_ptr<const Botan::BlockCipher> cipher)
      : cipher_(std::move(cipher)) {}

  ByteString apply(const ByteString& in, bool encrypt) const {
    constexpr std::size_t blockBytes = BlockBits / 8;
    if (in.size() % blockBytes != 0) {
      throw std::invalid_argument(std::string(Algorithm::name) + ": input is not whole blocks");
    }
    ByteString out(in.size());
    if (encrypt) {
      cipher_->encrypt_n(in.data(), out.data(), in.size() / blockBytes);
    } else {
      cipher_->decrypt_n(in.data(), out.data(), in.size() / blockBytes);
    }
    return out;
  }

  std::shared_ptr<const Botan::BlockCipher> cipher_;
};

struct BotanSM4Name {
  static constexpr const char* name = "SM4";
};
struct BotanSEEDName {
  static constexpr const char* name = "SEED";
};

using BotanSM4 = BotanBlockCipher128<BotanSM4Name>;
using BotanSEED = BotanBlockCipher128<BotanSEEDName>;

struct BotanIDEAName {
  static constexpr const char* name = "IDEA";
};
using BotanIDEA = BotanBlockCipher128<BotanIDEAName, 64>;

}  // namespace kavrit::test
