#pragma once

// Key and digest types that bring their own mode and HMAC members, implemented with a second
// library, for the hook oracle tests: AES-128 whose CTR and CBC members run OpenSSL's own CTR and
// CBC, and SHA-256 whose HMAC members run Nettle's HMAC.

#include <nettle/hmac.h>
#include <openssl/evp.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::test::hooks {

class OpenSSLModesAES128 {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<OpenSSLModesAES128> buildKey(const ByteString& bytes) {
    auto aes = examples::AES128::buildKey(bytes);
    if (!aes) return std::nullopt;
    return OpenSSLModesAES128(std::move(*aes), bytes);
  }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    return aes_.encryptBlock(in);
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const {
    return aes_.decryptBlock(in);
  }

  template <class Iv>
  std::pair<ByteString, Iv> ctr(const Iv& iv, const ByteString& in) const {
    ByteString out = run(EVP_aes_128_ctr(), 1, iv.bytes(), in);
    // The next counter: the IV plus the number of blocks, carried through all 16 bytes.
    ByteString next = iv.bytes();
    std::size_t add = in.size() / 16;
    for (std::size_t i = 16; i-- > 0 && add != 0;) {
      const std::size_t sum = next[i] + (add & 0xff);
      next[i] = static_cast<std::uint8_t>(sum);
      add = (add >> 8) + (sum >> 8);
    }
    return {std::move(out), Iv::parse(next).value()};
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> ctrLazy(const Iv& iv, const LazyByteString& in) const {
    auto [out, next] = ctr(iv, in.flatten());
    return {LazyByteString({std::move(out)}), std::move(next)};
  }
  template <class Iv>
  std::pair<ByteString, Iv> unCtr(const Iv& iv, const ByteString& in) const {
    return ctr(iv, in);
  }
  template <class Iv>
  std::pair<ByteString, Iv> cbc(const Iv& iv, const ByteString& in) const {
    ByteString out = run(EVP_aes_128_cbc(), 1, iv.bytes(), in);
    const ByteString next = in.empty() ? iv.bytes() : ByteString(out.end() - 16, out.end());
    return {std::move(out), Iv::parse(next).value()};
  }

 private:
  OpenSSLModesAES128(examples::AES128 aes, ByteString key)
      : aes_(std::move(aes)), key_(std::move(key)) {}

  ByteString run(const EVP_CIPHER* cipher, int encrypt, const ByteString& iv,
                 const ByteString& in) const {
    const std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                         EVP_CIPHER_CTX_free);
    ByteString out(in.size() + 16);
    int written = 0;
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key_.data(), iv.data(), encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        (!in.empty() && EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(),
                                         static_cast<int>(in.size())) != 1)) {
      throw std::runtime_error("OpenSSL: mode failed");
    }
    out.resize(static_cast<std::size_t>(written));
    return out;
  }

  examples::AES128 aes_;
  ByteString key_;
};

class NettleHmacSHA256 {
 public:
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 512; }
  static NettleHmacSHA256 hash(const LazyByteString& m) {
    return NettleHmacSHA256(examples::SHA256::hash(m).serialize());
  }
  static NettleHmacSHA256 hashStrict(const ByteString& m) {
    return NettleHmacSHA256(examples::SHA256::hashStrict(m).serialize());
  }
  [[nodiscard]] ByteString serialize() const { return bytes_; }
  static std::optional<NettleHmacSHA256> parse(const ByteString& bytes) {
    if (bytes.size() < 32) return std::nullopt;
    return NettleHmacSHA256(ByteString(bytes.begin(), bytes.begin() + 32));
  }
  friend bool operator==(const NettleHmacSHA256&, const NettleHmacSHA256&) = default;

  template <class Key>
  static NettleHmacSHA256 hmac(const Key& key, const LazyByteString& message) {
    hmac_sha256_ctx ctx;
    hmac_sha256_set_key(&ctx, key.bytes().size(), key.bytes().data());
    for (const ByteString& chunk : message.chunks()) {
      hmac_sha256_update(&ctx, chunk.size(), chunk.data());
    }
    ByteString out(32);
    hmac_sha256_digest(&ctx, out.size(), out.data());
    return NettleHmacSHA256(std::move(out));
  }
  template <class Key>
  static NettleHmacSHA256 hmacStrict(const Key& key, const ByteString& message) {
    return hmac(key, LazyByteString({message}));
  }

 private:
  explicit NettleHmacSHA256(ByteString bytes) : bytes_(std::move(bytes)) {}
  ByteString bytes_;
};

}  // namespace kavrit::test::hooks
