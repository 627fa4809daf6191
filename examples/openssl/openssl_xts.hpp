#pragma once

// AES-128 and AES-256 key types that bring their own XTS: the block functions are OpenSSL's AES
// (examples/openssl/openssl_aes.hpp) and `xtsEncrypt`/`xtsDecrypt` call EVP's aes-128-xts or
// aes-256-xts with the two keys' bytes, so the XTS suite tests OpenSSL's XTS, not kavrit's.

#include <openssl/evp.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"
#include "openssl/openssl_aes.hpp"

namespace kavrit::examples {

/// XTS of one data unit with OpenSSL: `key` is the data key followed by the tweak key.
inline ByteString opensslXts(long keyBits, bool encrypt, const ByteString& key,
                             const ByteString& tweak, const ByteString& data) {
  const EVP_CIPHER* cipher = keyBits == 128 ? EVP_aes_128_xts() : EVP_aes_256_xts();
  const std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                       EVP_CIPHER_CTX_free);
  ByteString out(data.size());
  int written = 0;
  // OpenSSL takes a data unit in one update: XTS cannot continue across calls.
  if (!ctx ||
      EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), tweak.data(), encrypt ? 1 : 0) !=
          1 ||
      EVP_CipherUpdate(ctx.get(), out.data(), &written, data.data(),
                       static_cast<int>(data.size())) != 1 ||
      static_cast<std::size_t>(written) != data.size()) {
    throw std::runtime_error("OpenSSL: XTS failed");
  }
  return out;
}

template <long KeyBits>
class OpenSSLXTSAES {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return KeyBits; }

  static std::optional<OpenSSLXTSAES> buildKey(const ByteString& key) {
    std::optional<OpenSSLAES<KeyBits>> aes = OpenSSLAES<KeyBits>::buildKey(key);
    if (!aes) return std::nullopt;
    return OpenSSLXTSAES(std::move(*aes), key);
  }

  ByteString encryptBlock(const ByteString& in) const { return aes_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return aes_.decryptBlock(in); }

  ByteString xtsEncrypt(const OpenSSLXTSAES& tweakKey, const ByteString& tweak,
                        const ByteString& data) const {
    return opensslXts(KeyBits, true, joined(tweakKey), tweak, data);
  }
  ByteString xtsDecrypt(const OpenSSLXTSAES& tweakKey, const ByteString& tweak,
                        const ByteString& data) const {
    return opensslXts(KeyBits, false, joined(tweakKey), tweak, data);
  }

 private:
  OpenSSLXTSAES(OpenSSLAES<KeyBits> aes, ByteString key)
      : aes_(std::move(aes)), key_(std::move(key)) {}

  ByteString joined(const OpenSSLXTSAES& tweakKey) const {
    ByteString key = key_;
    key.insert(key.end(), tweakKey.key_.begin(), tweakKey.key_.end());
    return key;
  }

  OpenSSLAES<KeyBits> aes_;
  ByteString key_;
};

using XTSAES128 = OpenSSLXTSAES<128>;
using XTSAES256 = OpenSSLXTSAES<256>;

}  // namespace kavrit::examples
