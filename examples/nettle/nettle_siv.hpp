#pragma once

// AES-SIV (RFC 5297) over Nettle, adapted to kavrit::DeterministicAead: KeyBits 256, 384 or 512
// (the two halves of RFC 5297's key), the tag is the synthetic IV.
//
// Nettle's SIV-CMAC messages (siv_cmac_*_encrypt_message) are nonce-based: their S2V always takes
// the AAD, then a nonce of at least one byte, then the text, so they cannot give the one-component
// S2V(K, AAD, text) of deterministic SIV. This adapter keys with Nettle's siv_cmac_set_key and
// runs S2V on Nettle's CMAC and the encryption on Nettle's CTR itself. The AAD is always one
// component, the empty one included, as Wycheproof's AES-SIV-CMAC vectors have it.

#include <nettle/cmac.h>
#include <nettle/ctr.h>
#include <nettle/memops.h>
#include <nettle/siv-cmac.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "kavrit/aead.hpp"
#include "nettle/nettle_aes_meta.hpp"
#include "siv_s2v.hpp"

namespace kavrit::examples {

template <long KeyBits>
class NettleAesSiv {
  using Aes = nettle_support::Aes<KeyBits / 2>;

 public:
  static constexpr long keyLength() { return KeyBits; }
  static constexpr long tagLength() { return 128; }

  static std::optional<NettleAesSiv> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8)) return std::nullopt;
    NettleAesSiv keyed;
    siv_cmac_set_key(&keyed.cmacKey_, &keyed.cmacAes_, &keyed.ctrAes_, &Aes::cipher(), key.data());
    return keyed;
  }

  AeadSealed seal(const ByteString& aad, const ByteString& plaintext) const {
    AeadSealed sealed{ByteString(), s2v(aad, plaintext)};
    sealed.ciphertext = ctr(sealed.tag, plaintext);
    return sealed;
  }

  /// Refuses a tag of other than 16 bytes, and anything whose synthetic IV does not verify.
  std::optional<ByteString> open(const ByteString& aad, const ByteString& ciphertext,
                                 const ByteString& tag) const {
    if (tag.size() != SIV_DIGEST_SIZE) return std::nullopt;
    ByteString plaintext = ctr(tag, ciphertext);
    if (!memeql_sec(s2v(aad, plaintext).data(), tag.data(), SIV_DIGEST_SIZE)) return std::nullopt;
    return plaintext;
  }

 private:
  using Block = siv::Block;

  NettleAesSiv() : cmacKey_{}, cmacAes_{}, ctrAes_{} {}

  Block cmac(const std::uint8_t* data, std::size_t length) const {
    cmac128_ctx ctx;
    cmac128_init(&ctx);
    cmac128_update(&ctx, &cmacAes_, Aes::cipher().encrypt, length, data);
    Block out{};
    cmac128_digest(&ctx, &cmacKey_, &cmacAes_, Aes::cipher().encrypt, 16, out.data());
    return out;
  }

  ByteString s2v(const ByteString& aad, const ByteString& text) const {
    return siv::s2v(
        [this](const std::uint8_t* data, std::size_t length) { return cmac(data, length); }, aad,
        text);
  }

  // CTR under the second half of the key from the synthetic IV with bits 63 and 31 cleared.
  ByteString ctr(const ByteString& siv, const ByteString& text) const {
    ByteString out(text.size());
    if (text.empty()) return out;
    std::uint8_t counter[16];
    for (std::size_t i = 0; i < 16; ++i) counter[i] = siv[i];
    counter[8] &= 0x7f;
    counter[12] &= 0x7f;
    ctr_crypt(&ctrAes_, Aes::cipher().encrypt, 16, counter, text.size(), out.data(), text.data());
    return out;
  }

  cmac128_key cmacKey_;
  typename Aes::Context cmacAes_;
  typename Aes::Context ctrAes_;
};

}  // namespace kavrit::examples
