#pragma once

// Three-key Triple-DES (K1||K2||K3, 24 bytes) and single DES over Nettle, adapted to
// kavrit::BlockCipher: a second implementation beside examples/openssl's Triple-DES. Nettle's
// DES tables are not in its generic cipher list, so this adapter calls them directly.

#include <nettle/des.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

template <long KeyBits>
class NettleDES {
  static_assert(KeyBits == 64 || KeyBits == 192, "single DES or three-key Triple-DES");
  static constexpr bool kTriple = KeyBits == 192;
  using Context = std::conditional_t<kTriple, des3_ctx, des_ctx>;

 public:
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return KeyBits; }

  /// Accepts exactly KeyBits / 8 bytes. Nettle reports weak keys (the NIST files use some) but
  /// schedules them all the same, so its verdict is not a refusal here.
  static std::optional<NettleDES> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8)) return std::nullopt;
    auto ctx = std::make_shared<Context>();
    if constexpr (kTriple) {
      (void)des3_set_key(ctx.get(), key.data());
    } else {
      (void)des_set_key(ctx.get(), key.data());
    }
    return NettleDES(std::move(ctx));
  }

  ByteString encryptBlock(const ByteString& in) const { return apply(in, true); }
  ByteString decryptBlock(const ByteString& in) const { return apply(in, false); }

 private:
  explicit NettleDES(std::shared_ptr<const Context> ctx) : ctx_(std::move(ctx)) {}

  ByteString apply(const ByteString& in, bool encrypt) const {
    if (in.size() % 8 != 0) throw std::invalid_argument("DES: input is not whole blocks");
    ByteString out(in.size());
    if (in.empty()) return out;
    if constexpr (kTriple) {
      (encrypt ? des3_encrypt : des3_decrypt)(ctx_.get(), in.size(), out.data(), in.data());
    } else {
      (encrypt ? des_encrypt : des_decrypt)(ctx_.get(), in.size(), out.data(), in.data());
    }
    return out;
  }

  std::shared_ptr<const Context> ctx_;
};

using NettleDES1 = NettleDES<64>;
using NettleTripleDES3 = NettleDES<192>;

}  // namespace kavrit::examples
