#pragma once

// The AES of a key length, as Nettle's EAX and SIV-CMAC functions take it: a context type and
// the nettle_cipher that sets its key and encrypts with it.

#include <nettle/aes.h>
#include <nettle/nettle-meta.h>

#include <type_traits>

namespace kavrit::examples::nettle_support {

template <long AesKeyBits>
struct Aes {
  static_assert(AesKeyBits == 128 || AesKeyBits == 192 || AesKeyBits == 256,
                "AES keys are 128, 192 or 256 bits");
  using Context = std::conditional_t<AesKeyBits == 128, aes128_ctx,
                                     std::conditional_t<AesKeyBits == 192, aes192_ctx, aes256_ctx>>;
  static const nettle_cipher& cipher() {
    if constexpr (AesKeyBits == 128) return nettle_aes128;
    if constexpr (AesKeyBits == 192) return nettle_aes192;
    if constexpr (AesKeyBits == 256) return nettle_aes256;
  }
};

}  // namespace kavrit::examples::nettle_support
