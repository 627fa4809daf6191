#pragma once

// ChaCha20-Poly1305 (RFC 7539) over OpenSSL's EVP, adapted to kavrit::Aead: the example adapter
// of the README, strict entry points only (kavrit serves the lazy ones from them).

#include <openssl/err.h>
#include <openssl/evp.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/aead.hpp"

class ChaCha20Poly1305 {
 public:
  static long keyLength() { return 256; }  // bits
  static long nonceLength() { return 96; }
  static bool acceptsNonceLength(long bits) { return bits == 96; }
  static long tagLength() { return 128; }

  static std::optional<ChaCha20Poly1305> buildKey(const kavrit::ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    return ChaCha20Poly1305(key);
  }

  kavrit::AeadSealed seal(const kavrit::ByteString& nonce, const kavrit::ByteString& aad,
                          const kavrit::ByteString& plaintext) const {
    if (nonce.size() != 12) throw std::invalid_argument("ChaCha20-Poly1305 takes 12-byte nonces");
    Context ctx = start(nonce, aad, 1);
    kavrit::AeadSealed sealed{run(ctx.get(), plaintext), kavrit::ByteString(16)};
    int n = 0;
    if (EVP_EncryptFinal_ex(ctx.get(), nullptr, &n) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_GET_TAG, 16, sealed.tag.data()) != 1) {
      throw std::runtime_error("OpenSSL: sealing failed");
    }
    return sealed;
  }

  // Nothing is released unless the tag verifies.
  std::optional<kavrit::ByteString> open(const kavrit::ByteString& nonce,
                                         const kavrit::ByteString& aad,
                                         const kavrit::ByteString& ciphertext,
                                         const kavrit::ByteString& tag) const {
    if (nonce.size() != 12 || tag.size() != 16) return std::nullopt;
    Context ctx = start(nonce, aad, 0);
    kavrit::ByteString plaintext = run(ctx.get(), ciphertext);
    kavrit::ByteString expected = tag;
    int n = 0;
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, 16, expected.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), nullptr, &n) != 1) {
      ERR_clear_error();
      return std::nullopt;
    }
    return plaintext;
  }

 private:
  using Context = std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)>;

  explicit ChaCha20Poly1305(kavrit::ByteString key) : key_(std::move(key)) {}

  // A context keyed for `nonce` that has taken the AAD.
  Context start(const kavrit::ByteString& nonce, const kavrit::ByteString& aad, int encrypt) const {
    Context ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int n = 0;
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), EVP_chacha20_poly1305(), nullptr, key_.data(), nonce.data(),
                          encrypt) != 1 ||
        (!aad.empty() &&
         EVP_CipherUpdate(ctx.get(), nullptr, &n, aad.data(), static_cast<int>(aad.size())) != 1)) {
      throw std::runtime_error("OpenSSL: cannot start ChaCha20-Poly1305");
    }
    return ctx;
  }

  static kavrit::ByteString run(EVP_CIPHER_CTX* ctx, const kavrit::ByteString& in) {
    kavrit::ByteString out(in.size());
    int n = 0;
    if (!in.empty() &&
        EVP_CipherUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size())) != 1) {
      throw std::runtime_error("OpenSSL: ChaCha20-Poly1305 failed");
    }
    return out;
  }

  kavrit::ByteString key_;
};
