#pragma once

// MD5, SHA-1, SHA-2, SHA3-224 … SHA3-512, RIPEMD-160, SM3 and AES key types over Nettle's
// generic hash and cipher tables, adapted to the kavrit interface: second implementations of what
// examples/openssl adapts, for the differential suites and as a second opinion on the vectors.

#include <nettle/nettle-meta.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"

namespace kavrit::examples {

template <const nettle_hash* Meta, long OutputBits, long BlockBits>
class NettleDigest {
 public:
  static constexpr long outputLength() { return OutputBits; }
  static constexpr long blockLength() { return BlockBits; }

  static NettleDigest hash(const LazyByteString& message) {
    const std::unique_ptr<std::byte[]> ctx(new std::byte[Meta->context_size]);
    Meta->init(ctx.get());
    for (const ByteString& chunk : message.chunks())
      Meta->update(ctx.get(), chunk.size(), chunk.data());
    ByteString out(Meta->digest_size);
    Meta->digest(ctx.get(), out.size(), out.data());
    return NettleDigest(std::move(out));
  }
  static NettleDigest hashStrict(const ByteString& message) {
    return hash(LazyByteString({message}));
  }

  [[nodiscard]] ByteString serialize() const { return bytes_; }
  static std::optional<NettleDigest> parse(const ByteString& bytes) {
    constexpr std::size_t n = OutputBits / 8;
    if (bytes.size() < n) return std::nullopt;
    return NettleDigest(ByteString(bytes.begin(), bytes.begin() + n));
  }
  friend bool operator==(const NettleDigest&, const NettleDigest&) = default;

 private:
  explicit NettleDigest(ByteString bytes) : bytes_(std::move(bytes)) {}
  ByteString bytes_;
};

using NettleMD5 = NettleDigest<&nettle_md5, 128, 512>;
using NettleSHA1 = NettleDigest<&nettle_sha1, 160, 512>;
using NettleSHA224 = NettleDigest<&nettle_sha224, 224, 512>;
using NettleSHA256 = NettleDigest<&nettle_sha256, 256, 512>;
using NettleSHA384 = NettleDigest<&nettle_sha384, 384, 1024>;
using NettleSHA512 = NettleDigest<&nettle_sha512, 512, 1024>;
using NettleSHA512_224 = NettleDigest<&nettle_sha512_224, 224, 1024>;
using NettleSHA512_256 = NettleDigest<&nettle_sha512_256, 256, 1024>;
// A SHA-3 block is the sponge's rate.
using NettleSHA3_224 = NettleDigest<&nettle_sha3_224, 224, 1152>;
using NettleSHA3_256 = NettleDigest<&nettle_sha3_256, 256, 1088>;
using NettleSHA3_384 = NettleDigest<&nettle_sha3_384, 384, 832>;
using NettleSHA3_512 = NettleDigest<&nettle_sha3_512, 512, 576>;
using NettleRIPEMD160 = NettleDigest<&nettle_ripemd160, 160, 512>;
using NettleSM3 = NettleDigest<&nettle_sm3, 256, 512>;

// A block cipher over Nettle's generic cipher table `Meta` (AES, Camellia, ...).
template <const nettle_cipher* Meta, long KeyBits>
class NettleBlockCipher {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return KeyBits; }

  /// Accepts exactly KeyBits / 8 bytes.
  static std::optional<NettleBlockCipher> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8) || key.size() != Meta->key_size) {
      return std::nullopt;
    }
    return NettleBlockCipher(key);
  }
  ByteString encryptBlock(const ByteString& in) const {
    return apply(Meta->encrypt, encrypt_.get(), in);
  }
  ByteString decryptBlock(const ByteString& in) const {
    return apply(Meta->decrypt, decrypt_.get(), in);
  }

 private:
  using Context = std::shared_ptr<std::byte[]>;

  // Both key schedules run once; copies of the key share them (they are never written again).
  explicit NettleBlockCipher(const ByteString& key)
      : encrypt_(new std::byte[Meta->context_size]), decrypt_(new std::byte[Meta->context_size]) {
    Meta->set_encrypt_key(encrypt_.get(), key.data());
    Meta->set_decrypt_key(decrypt_.get(), key.data());
  }

  static ByteString apply(nettle_cipher_func* f, const std::byte* ctx, const ByteString& in) {
    if (in.size() % Meta->block_size != 0) {
      throw std::invalid_argument(std::string(Meta->name) + ": input is not whole blocks");
    }
    ByteString out(in.size());
    if (!in.empty()) f(ctx, in.size(), out.data(), in.data());
    return out;
  }

  Context encrypt_;
  Context decrypt_;
};

using NettleAES128 = NettleBlockCipher<&nettle_aes128, 128>;
using NettleAES256 = NettleBlockCipher<&nettle_aes256, 256>;

}  // namespace kavrit::examples
