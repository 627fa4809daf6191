#pragma once

// AES-SIV (RFC 5297) over OpenSSL's EVP "AES-128-SIV", "AES-192-SIV" and "AES-256-SIV", adapted to
// kavrit::DeterministicAead. The key is the two halves of RFC 5297's key, so KeyBits is 256, 384
// or 512; the tag is the synthetic IV.
//
// The AAD is always one S2V component, the empty one included: S2V(K, AAD, plaintext), as
// Wycheproof's AES-SIV-CMAC vectors have it (an empty AAD gives a tag other than S2V(K, plaintext)
// would). OpenSSL 3.0 passes over an empty update, so it can neither take an empty AAD component
// nor finish an empty plaintext (its EncryptFinal then fails); for those inputs the adapter runs
// SIV itself on OpenSSL's CMAC and AES-CTR.

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "kavrit/aead.hpp"
#include "openssl/openssl_evp_support.hpp"
#include "siv_s2v.hpp"

namespace kavrit::examples {

template <long KeyBits>
class OpenSSLAesSiv {
  static_assert(KeyBits == 256 || KeyBits == 384 || KeyBits == 512,
                "AES-SIV keys are 256, 384 or 512 bits");

 public:
  static constexpr long keyLength() { return KeyBits; }
  static constexpr long tagLength() { return 128; }

  static std::optional<OpenSSLAesSiv> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8)) return std::nullopt;
    return OpenSSLAesSiv(key);
  }

  AeadSealed seal(const ByteString& aad, const ByteString& plaintext) const {
    if (aad.empty() || plaintext.empty()) {
      AeadSealed sealed{ByteString(), s2v(aad, plaintext)};
      sealed.ciphertext = ctr(sealed.tag, plaintext);
      return sealed;
    }
    openssl_evp::CipherContext ctx = begin(aad, 1);
    AeadSealed sealed{ByteString(plaintext.size()), ByteString(16)};
    openssl_evp::update(ctx.get(), sealed.ciphertext.data(), plaintext.data(), plaintext.size(),
                        "AES-SIV");
    int written = 0;
    std::uint8_t last[16];
    if (EVP_EncryptFinal_ex(ctx.get(), last, &written) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_GET_TAG, 16, sealed.tag.data()) != 1) {
      throw std::runtime_error("OpenSSL: AES-SIV cannot finish sealing");
    }
    return sealed;
  }

  /// Refuses a tag of other than 16 bytes, and anything whose synthetic IV does not verify.
  std::optional<ByteString> open(const ByteString& aad, const ByteString& ciphertext,
                                 const ByteString& tag) const {
    if (tag.size() != 16) return std::nullopt;
    if (aad.empty() || ciphertext.empty()) {
      ByteString plaintext = ctr(tag, ciphertext);
      if (CRYPTO_memcmp(s2v(aad, plaintext).data(), tag.data(), 16) != 0) return std::nullopt;
      return plaintext;
    }
    openssl_evp::CipherContext ctx = begin(aad, 0);
    ByteString expected = tag;
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, 16, expected.data()) != 1) {
      throw std::runtime_error("OpenSSL: AES-SIV cannot take a tag");
    }
    // OpenSSL checks the synthetic IV in the update that decrypts; the plaintext is dropped when
    // it fails.
    ByteString plaintext(ciphertext.size());
    int written = 0;
    std::uint8_t last[16];
    if (EVP_DecryptUpdate(ctx.get(), plaintext.data(), &written, ciphertext.data(),
                          static_cast<int>(ciphertext.size())) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), last, &written) != 1) {
      ERR_clear_error();
      return std::nullopt;
    }
    return plaintext;
  }

 private:
  using Block = siv::Block;
  static constexpr std::size_t kHalf = KeyBits / 16;  // bytes of each half of the key

  explicit OpenSSLAesSiv(ByteString key) : key_(std::move(key)) {}

  static constexpr const char* sivName() {
    if constexpr (KeyBits == 256) return "AES-128-SIV";
    if constexpr (KeyBits == 384) return "AES-192-SIV";
    return "AES-256-SIV";
  }
  static constexpr const char* cbcName() {
    if constexpr (KeyBits == 256) return "AES-128-CBC";
    if constexpr (KeyBits == 384) return "AES-192-CBC";
    return "AES-256-CBC";
  }
  static const EVP_CIPHER* ctrCipher() {
    if constexpr (KeyBits == 256) return EVP_aes_128_ctr();
    if constexpr (KeyBits == 384) return EVP_aes_192_ctr();
    return EVP_aes_256_ctr();
  }
  static const EVP_CIPHER* sivCipher() {
    static const EVP_CIPHER* const cipher = openssl_fetch::fetchCipher(sivName());
    return cipher;
  }

  // A context keyed for SIV that has taken the AAD as its one component.
  openssl_evp::CipherContext begin(const ByteString& aad, int encrypt) const {
    openssl_evp::CipherContext ctx;
    if (EVP_CipherInit_ex(ctx.get(), sivCipher(), nullptr, key_.data(), nullptr, encrypt) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up AES-SIV");
    }
    int written = 0;
    if (EVP_CipherUpdate(ctx.get(), nullptr, &written, aad.data(), static_cast<int>(aad.size())) !=
        1) {
      throw std::runtime_error("OpenSSL: AES-SIV AAD update failed");
    }
    return ctx;
  }

  // CMAC under the first half of the key.
  Block cmac(const std::uint8_t* data, std::size_t length) const {
    static EVP_MAC* const mac = [] {
      EVP_MAC* m = openssl_fetch::fetchWithLegacy(EVP_MAC_fetch, "CMAC");
      if (m == nullptr) openssl_fetch::throwMissing("MAC", "CMAC");
      return m;
    }();
    const std::unique_ptr<EVP_MAC_CTX, void (*)(EVP_MAC_CTX*)> ctx(EVP_MAC_CTX_new(mac),
                                                                   EVP_MAC_CTX_free);
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, const_cast<char*>(cbcName()), 0),
        OSSL_PARAM_construct_end()};
    Block out{};
    std::size_t written = 0;
    if (!ctx || EVP_MAC_init(ctx.get(), key_.data(), kHalf, params) != 1 ||
        (length > 0 && EVP_MAC_update(ctx.get(), data, length) != 1) ||
        EVP_MAC_final(ctx.get(), out.data(), &written, out.size()) != 1 || written != 16) {
      throw std::runtime_error("OpenSSL: CMAC failed");
    }
    return out;
  }

  ByteString s2v(const ByteString& aad, const ByteString& text) const {
    return siv::s2v(
        [this](const std::uint8_t* data, std::size_t length) { return cmac(data, length); }, aad,
        text);
  }

  // AES-CTR under the second half of the key from the synthetic IV with bits 63 and 31 cleared.
  ByteString ctr(const ByteString& siv, const ByteString& text) const {
    ByteString out(text.size());
    if (text.empty()) return out;
    ByteString iv = siv;
    iv[8] &= 0x7f;
    iv[12] &= 0x7f;
    openssl_evp::CipherContext ctx;
    if (EVP_EncryptInit_ex(ctx.get(), ctrCipher(), nullptr, key_.data() + kHalf, iv.data()) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up AES-CTR");
    }
    openssl_evp::update(ctx.get(), out.data(), text.data(), text.size(), "AES-CTR");
    return out;
  }

  ByteString key_;
};

}  // namespace kavrit::examples
