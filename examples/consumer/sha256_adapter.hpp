#pragma once

// A complete adapter: OpenSSL's SHA-256 as a kavrit::Hash digest type.

#include <openssl/evp.h>

#include <memory>
#include <optional>

#include "kavrit/hash.hpp"

class Sha256 {
 public:
  static long outputLength() { return 256; }  // bits
  static long blockLength() { return 512; }   // bits

  static Sha256 hash(const kavrit::LazyByteString& message) {
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr);
    for (const kavrit::ByteString& chunk : message.chunks()) {
      EVP_DigestUpdate(ctx.get(), chunk.data(), chunk.size());
    }
    Sha256 digest;
    EVP_DigestFinal_ex(ctx.get(), digest.bytes_.data(), nullptr);
    return digest;
  }

  static Sha256 hashStrict(const kavrit::ByteString& message) {
    return hash(kavrit::LazyByteString({message}));
  }

  kavrit::ByteString serialize() const { return bytes_; }

  // Reads the first 32 bytes; any further bytes are ignored.
  static std::optional<Sha256> parse(const kavrit::ByteString& bytes) {
    if (bytes.size() < 32) return std::nullopt;
    Sha256 digest;
    digest.bytes_.assign(bytes.begin(), bytes.begin() + 32);
    return digest;
  }

  friend bool operator==(const Sha256&, const Sha256&) = default;

 private:
  kavrit::ByteString bytes_ = kavrit::ByteString(32);
};
