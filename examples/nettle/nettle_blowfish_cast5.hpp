#pragma once

// Blowfish and CAST5 over Nettle, adapted to kavrit::BlockCipher with every key length each
// cipher takes (Blowfish 32 to 448 bits, CAST5 40 to 128, in whole bytes). Only the raw block
// operations are adapted; kavrit supplies the modes on top of them.

#include <nettle/blowfish.h>
#include <nettle/cast128.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

class NettleBlowfish {
 public:
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }
  // Nettle's BLOWFISH_MIN_KEY_SIZE (8 bytes) is advice; its key schedule takes any length, and
  // Blowfish is defined from 32 bits.
  static constexpr bool acceptsKeyLength(long bits) {
    return bits % 8 == 0 && bits >= 32 && bits <= 8 * BLOWFISH_MAX_KEY_SIZE;
  }

  static std::optional<NettleBlowfish> buildKey(const ByteString& key) {
    if (!acceptsKeyLength(8 * static_cast<long>(key.size()))) return std::nullopt;
    return NettleBlowfish(key);
  }

  ByteString encryptBlock(const ByteString& in) const {
    ByteString out(checked(in));
    if (!in.empty()) blowfish_encrypt(context_.get(), in.size(), out.data(), in.data());
    return out;
  }

  ByteString decryptBlock(const ByteString& in) const {
    ByteString out(checked(in));
    if (!in.empty()) blowfish_decrypt(context_.get(), in.size(), out.data(), in.data());
    return out;
  }

 private:
  // set_key's result only flags a weak key (two equal S-box entries), which is still Blowfish;
  // copies of the key share the schedule, which is never written again.
  explicit NettleBlowfish(const ByteString& key) : context_(std::make_shared<blowfish_ctx>()) {
    (void)blowfish_set_key(context_.get(), key.size(), key.data());
  }

  static std::size_t checked(const ByteString& in) {
    if (in.size() % BLOWFISH_BLOCK_SIZE != 0) {
      throw std::invalid_argument("Blowfish: input is not whole blocks");
    }
    return in.size();
  }

  std::shared_ptr<blowfish_ctx> context_;
};

class NettleCAST5 {
 public:
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }
  static constexpr bool acceptsKeyLength(long bits) {
    return bits % 8 == 0 && bits >= 8 * CAST5_MIN_KEY_SIZE && bits <= 8 * CAST5_MAX_KEY_SIZE;
  }

  static std::optional<NettleCAST5> buildKey(const ByteString& key) {
    if (!acceptsKeyLength(8 * static_cast<long>(key.size()))) return std::nullopt;
    return NettleCAST5(key);
  }

  ByteString encryptBlock(const ByteString& in) const {
    ByteString out(checked(in));
    if (!in.empty()) cast128_encrypt(&context_, in.size(), out.data(), in.data());
    return out;
  }

  ByteString decryptBlock(const ByteString& in) const {
    ByteString out(checked(in));
    if (!in.empty()) cast128_decrypt(&context_, in.size(), out.data(), in.data());
    return out;
  }

 private:
  explicit NettleCAST5(const ByteString& key) { cast5_set_key(&context_, key.size(), key.data()); }

  static std::size_t checked(const ByteString& in) {
    if (in.size() % CAST128_BLOCK_SIZE != 0) {
      throw std::invalid_argument("CAST5: input is not whole blocks");
    }
    return in.size();
  }

  cast128_ctx context_{};
};

}  // namespace kavrit::examples
