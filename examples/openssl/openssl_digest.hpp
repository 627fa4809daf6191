#pragma once

// SHA-1, SHA-224, SHA-256, SHA-384, SHA-512, SHA-512/224, SHA-512/256, SHA3-224 … SHA3-512,
// MD5, BLAKE2b-512, BLAKE2s-256, RIPEMD-160 and SM3 digest types over OpenSSL's EVP, adapted to
// kavrit::Hash. `hash` feeds every chunk of a lazy message to one streaming context. A SHA-3 block
// is the sponge's rate.
//
// BLAKE2, RIPEMD-160 and SM3 are fetched by name. OpenSSL 3.0 before 3.0.7 has RIPEMD-160 in its
// legacy provider only: a name the providers in use lack makes the adapter load the default and
// legacy providers and fetch again. A digest still missing then throws std::runtime_error, naming
// it, from every hash and hashStrict.

#include <openssl/evp.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "kavrit/hash.hpp"
#include "openssl/openssl_evp_support.hpp"

namespace kavrit::examples {

namespace openssl_fetch {

inline const EVP_MD* fetchDigest(const char* name) {
  const EVP_MD* md = fetchWithLegacy(EVP_MD_fetch, name);
  if (md == nullptr) throwMissing("digest", name);
  return md;
}

// The digest named `Name`, fetched on first use and kept for the process (OpenSSL's exit handler
// frees the providers); a failed fetch is tried again on the next use.
template <const char* Name>
const EVP_MD* fetchedDigest() {
  static const EVP_MD* const md = fetchDigest(Name);
  return md;
}

inline constexpr char kBLAKE2b512[] = "BLAKE2B-512";
inline constexpr char kBLAKE2s256[] = "BLAKE2S-256";
inline constexpr char kRIPEMD160[] = "RIPEMD160";
inline constexpr char kSM3[] = "SM3";

}  // namespace openssl_fetch

template <const EVP_MD* (*Algorithm)(), long OutputBits, long BlockBits>
class OpenSSLDigest {
 public:
  static constexpr long outputLength() { return OutputBits; }
  static constexpr long blockLength() { return BlockBits; }

  static OpenSSLDigest hash(const LazyByteString& message) {
    Stream stream;
    for (const ByteString& chunk : message.chunks()) stream.update(chunk);
    return stream.finish();
  }

  static OpenSSLDigest hashStrict(const ByteString& message) {
    Stream stream;
    stream.update(message);
    return stream.finish();
  }

  [[nodiscard]] ByteString serialize() const { return bytes_; }

  /// Reads the first OutputBits / 8 bytes.
  static std::optional<OpenSSLDigest> parse(const ByteString& bytes) {
    constexpr std::size_t n = OutputBits / 8;
    if (bytes.size() < n) return std::nullopt;
    return OpenSSLDigest(ByteString(bytes.begin(), bytes.begin() + n));
  }

  friend bool operator==(const OpenSSLDigest&, const OpenSSLDigest&) = default;

 private:
  explicit OpenSSLDigest(ByteString bytes) : bytes_(std::move(bytes)) {}

  class Stream {
   public:
    Stream() : ctx_(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
      if (!ctx_ || EVP_DigestInit_ex(ctx_.get(), Algorithm(), nullptr) != 1) {
        throw std::runtime_error("OpenSSL: cannot start a digest");
      }
    }
    void update(const ByteString& bytes) {
      if (EVP_DigestUpdate(ctx_.get(), bytes.data(), bytes.size()) != 1) {
        throw std::runtime_error("OpenSSL: digest update failed");
      }
    }
    OpenSSLDigest finish() {
      ByteString out(EVP_MAX_MD_SIZE);
      unsigned int length = 0;
      if (EVP_DigestFinal_ex(ctx_.get(), out.data(), &length) != 1) {
        throw std::runtime_error("OpenSSL: digest final failed");
      }
      out.resize(length);
      return OpenSSLDigest(std::move(out));
    }

   private:
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx_;
  };

  ByteString bytes_;
};

using SHA1 = OpenSSLDigest<EVP_sha1, 160, 512>;
using SHA224 = OpenSSLDigest<EVP_sha224, 224, 512>;
using SHA256 = OpenSSLDigest<EVP_sha256, 256, 512>;
using SHA384 = OpenSSLDigest<EVP_sha384, 384, 1024>;
using SHA512 = OpenSSLDigest<EVP_sha512, 512, 1024>;
using MD5 = OpenSSLDigest<EVP_md5, 128, 512>;
using SHA512_224 = OpenSSLDigest<EVP_sha512_224, 224, 1024>;
using SHA512_256 = OpenSSLDigest<EVP_sha512_256, 256, 1024>;
using SHA3_224 = OpenSSLDigest<EVP_sha3_224, 224, 1152>;
using SHA3_256 = OpenSSLDigest<EVP_sha3_256, 256, 1088>;
using SHA3_384 = OpenSSLDigest<EVP_sha3_384, 384, 832>;
using SHA3_512 = OpenSSLDigest<EVP_sha3_512, 512, 576>;
using BLAKE2b512 =
    OpenSSLDigest<openssl_fetch::fetchedDigest<openssl_fetch::kBLAKE2b512>, 512, 1024>;
using BLAKE2s256 =
    OpenSSLDigest<openssl_fetch::fetchedDigest<openssl_fetch::kBLAKE2s256>, 256, 512>;
using RIPEMD160 = OpenSSLDigest<openssl_fetch::fetchedDigest<openssl_fetch::kRIPEMD160>, 160, 512>;
using SM3 = OpenSSLDigest<openssl_fetch::fetchedDigest<openssl_fetch::kSM3>, 256, 512>;

}  // namespace kavrit::examples
