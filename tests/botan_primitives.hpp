#pragma once

// Botan's ChaCha20, RC4, Poly1305, ChaCha20-Poly1305, XChaCha20-Poly1305, AES-EAX and AES-SIV as
// kavrit stream, MAC and AEAD types: a further implementation to check the OpenSSL and Nettle
// adapters against, with their lengths and refusals.

#include <botan/aead.h>
#include <botan/exceptn.h>
#include <botan/mac.h>
#include <botan/stream_cipher.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/aead.hpp"
#include "kavrit/mac.hpp"
#include "kavrit/stream_cipher.hpp"

namespace kavrit::test {

namespace botan_detail {

struct ChaCha20Stream {
  static constexpr const char* name = "ChaCha(20)";
  static constexpr long keyLength = 256, nonceLength = 96, counterLength = 32, blockLength = 512;
  static constexpr bool seekable = true;
  static constexpr std::uint64_t end = std::uint64_t{64} << 32;
  static bool takes(const ByteString& key, const ByteString& nonce, std::uint64_t counter) {
    return key.size() == 32 && nonce.size() == 12 && counter <= 0xffffffffU;
  }
  static bool takesKeyLength(long bits) { return bits == keyLength; }
};

struct RC4Stream {
  static constexpr const char* name = "RC4";
  static constexpr long keyLength = 128, nonceLength = 0, counterLength = 0, blockLength = 8;
  static constexpr bool seekable = false;
  static constexpr std::uint64_t end = std::numeric_limits<std::uint64_t>::max();
  static bool takes(const ByteString& key, const ByteString& nonce, std::uint64_t counter) {
    return key.size() >= 5 && key.size() <= 256 && nonce.empty() && counter == 0;
  }
  static bool takesKeyLength(long bits) { return bits % 8 == 0 && bits >= 40 && bits <= 2048; }
};

}  // namespace botan_detail

/// A Botan stream cipher. Copies share the keyed Botan object, which each call first brings to
/// the copy's own place: by seeking when the cipher can, else by keying it again and skipping.
template <class Algorithm>
class BotanStream {
 public:
  static constexpr long keyLength() { return Algorithm::keyLength; }
  static constexpr long nonceLength() { return Algorithm::nonceLength; }
  static constexpr long counterLength() { return Algorithm::counterLength; }
  static constexpr long blockLength() { return Algorithm::blockLength; }
  static bool acceptsKeyLength(long bits) { return Algorithm::takesKeyLength(bits); }

  static std::optional<BotanStream> start(const ByteString& key, const ByteString& nonce,
                                          std::uint64_t counter) {
    if (!Algorithm::takes(key, nonce, counter)) return std::nullopt;
    auto shared = std::make_shared<Shared>();
    shared->key = key;
    shared->nonce = nonce;
    shared->cipher = Botan::StreamCipher::create_or_throw(Algorithm::name);
    shared->cipher->set_key(key.data(), key.size());
    if (!nonce.empty()) shared->cipher->set_iv(nonce.data(), nonce.size());
    BotanStream stream(std::move(shared), counter * (Algorithm::blockLength / 8));
    stream.place();
    return stream;
  }

  std::optional<ByteString> apply(const ByteString& data) {
    if (data.size() > Algorithm::end - position_) return std::nullopt;
    place();
    ByteString out(data.size());
    if (!data.empty()) shared_->cipher->cipher(data.data(), out.data(), data.size());
    position_ += data.size();
    shared_->at = position_;
    return out;
  }

 private:
  struct Shared {
    ByteString key;
    ByteString nonce;
    std::unique_ptr<Botan::StreamCipher> cipher;
    std::uint64_t at = 0;  // where the keystream of `cipher` stands
  };

  BotanStream(std::shared_ptr<Shared> shared, std::uint64_t position)
      : shared_(std::move(shared)), position_(position) {}

  void place() {
    if (shared_->at == position_) return;
    if constexpr (Algorithm::seekable) {
      shared_->cipher->seek(position_);
    } else {
      shared_->cipher->set_key(shared_->key.data(), shared_->key.size());
      ByteString skip(static_cast<std::size_t>(position_));
      shared_->cipher->write_keystream(skip.data(), skip.size());
    }
    shared_->at = position_;
  }

  std::shared_ptr<Shared> shared_;
  std::uint64_t position_;  // bytes of keystream from block 0 on
};

using BotanChaCha20 = BotanStream<botan_detail::ChaCha20Stream>;
using BotanRC4 = BotanStream<botan_detail::RC4Stream>;

/// Poly1305: a 256-bit one-time key, 128-bit tags.
class BotanPoly1305 {
 public:
  static constexpr long keyLength() { return 256; }
  static constexpr long tagLength() { return 128; }

  static std::optional<BotanPoly1305> buildKey(const ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    return BotanPoly1305(key);
  }

  ByteString tag(const ByteString& message) const {
    auto mac = Botan::MessageAuthenticationCode::create_or_throw("Poly1305");
    mac->set_key(key_.data(), key_.size());
    mac->update(message.data(), message.size());
    ByteString out(16);
    mac->final(out.data());
    return out;
  }

 private:
  explicit BotanPoly1305(ByteString key) : key_(std::move(key)) {}
  ByteString key_;
};

namespace botan_detail {

// A Botan AEAD mode over a fresh object per call: the text and tag are ct || tag, except for
// SIV, which puts the tag in front.
inline Botan::secure_vector<std::uint8_t> botanAead(const std::string& name, Botan::Cipher_Dir dir,
                                                    const ByteString& key, const ByteString& nonce,
                                                    const ByteString& aad,
                                                    Botan::secure_vector<std::uint8_t> text) {
  auto mode = Botan::AEAD_Mode::create_or_throw(name, dir);
  mode->set_key(key.data(), key.size());
  mode->set_associated_data(aad.data(), aad.size());
  mode->start(nonce.data(), nonce.size());
  mode->finish(text);
  return text;
}

inline std::optional<ByteString> botanOpen(const std::string& name, const ByteString& key,
                                           const ByteString& nonce, const ByteString& aad,
                                           Botan::secure_vector<std::uint8_t> text) {
  try {
    auto out = botanAead(name, Botan::DECRYPTION, key, nonce, aad, std::move(text));
    return ByteString(out.begin(), out.end());
  } catch (const Botan::Invalid_Authentication_Tag&) {
    return std::nullopt;
  }
}

}  // namespace botan_detail

/// A nonce-based Botan AEAD with 128-bit tags; `Spec` names the mode and its lengths.
template <class Spec>
class BotanAead {
 public:
  static constexpr long keyLength() { return Spec::keyBits; }
  static constexpr long nonceLength() { return Spec::nonceBits; }
  static constexpr bool acceptsNonceLength(long bits) { return Spec::acceptsNonce(bits); }
  static constexpr long tagLength() { return 128; }

  static std::optional<BotanAead> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(Spec::keyBits / 8)) return std::nullopt;
    return BotanAead(key);
  }

  AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext) const {
    if (!Spec::acceptsNonce(static_cast<long>(nonce.size() * 8))) {
      throw std::invalid_argument(std::string(Spec::name()) + ": a nonce of " +
                                  std::to_string(nonce.size()) + " bytes");
    }
    auto out = botan_detail::botanAead(Spec::name(), Botan::ENCRYPTION, key_, nonce, aad,
                                       {plaintext.begin(), plaintext.end()});
    const auto split = out.end() - 16;
    return {ByteString(out.begin(), split), ByteString(split, out.end())};
  }

  std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                 const ByteString& ciphertext, const ByteString& tag) const {
    if (!Spec::acceptsNonce(static_cast<long>(nonce.size() * 8)) || tag.size() != 16) {
      return std::nullopt;
    }
    Botan::secure_vector<std::uint8_t> text(ciphertext.begin(), ciphertext.end());
    text.insert(text.end(), tag.begin(), tag.end());
    return botan_detail::botanOpen(Spec::name(), key_, nonce, aad, std::move(text));
  }

 private:
  explicit BotanAead(ByteString key) : key_(std::move(key)) {}
  ByteString key_;
};

namespace botan_detail {

struct ChaCha20Poly1305Spec {
  static constexpr long keyBits = 256, nonceBits = 96;
  static constexpr bool acceptsNonce(long bits) { return bits == 96; }
  static const char* name() { return "ChaCha20Poly1305"; }
};
// Botan's ChaCha20Poly1305 is XChaCha20-Poly1305 when given a 24-byte nonce.
struct XChaCha20Poly1305Spec {
  static constexpr long keyBits = 256, nonceBits = 192;
  static constexpr bool acceptsNonce(long bits) { return bits == 192; }
  static const char* name() { return "ChaCha20Poly1305"; }
};
template <long KeyBits>
struct AesEaxSpec {
  static constexpr long keyBits = KeyBits, nonceBits = 128;
  static constexpr bool acceptsNonce(long bits) { return bits >= 0 && bits % 8 == 0; }
  static const char* name() {
    if constexpr (KeyBits == 128) return "AES-128/EAX";
    if constexpr (KeyBits == 192) return "AES-192/EAX";
    return "AES-256/EAX";
  }
};

}  // namespace botan_detail

using BotanChaCha20Poly1305 = BotanAead<botan_detail::ChaCha20Poly1305Spec>;
using BotanXChaCha20Poly1305 = BotanAead<botan_detail::XChaCha20Poly1305Spec>;
template <long KeyBits>
using BotanAesEax = BotanAead<botan_detail::AesEaxSpec<KeyBits>>;

/// AES-SIV with KeyBits 256, 384 or 512 and no nonce: S2V(K, AAD, text), the AAD always one
/// component, the empty one included.
template <long KeyBits>
class BotanAesSiv {
 public:
  static constexpr long keyLength() { return KeyBits; }
  static constexpr long tagLength() { return 128; }

  static std::optional<BotanAesSiv> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8)) return std::nullopt;
    return BotanAesSiv(key);
  }

  AeadSealed seal(const ByteString& aad, const ByteString& plaintext) const {
    auto out = botan_detail::botanAead(name(), Botan::ENCRYPTION, key_, {}, aad,
                                       {plaintext.begin(), plaintext.end()});
    const auto split = out.begin() + 16;
    return {ByteString(split, out.end()), ByteString(out.begin(), split)};
  }

  std::optional<ByteString> open(const ByteString& aad, const ByteString& ciphertext,
                                 const ByteString& tag) const {
    if (tag.size() != 16) return std::nullopt;
    Botan::secure_vector<std::uint8_t> text(tag.begin(), tag.end());
    text.insert(text.end(), ciphertext.begin(), ciphertext.end());
    return botan_detail::botanOpen(name(), key_, {}, aad, std::move(text));
  }

 private:
  explicit BotanAesSiv(ByteString key) : key_(std::move(key)) {}
  static const char* name() {
    if constexpr (KeyBits == 256) return "AES-128/SIV";
    if constexpr (KeyBits == 384) return "AES-192/SIV";
    return "AES-256/SIV";
  }
  ByteString key_;
};

}  // namespace kavrit::test
