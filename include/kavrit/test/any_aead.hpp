#pragma once

/// @file
/// An AEAD behind virtual calls, as kavrit/test/any_block_cipher.hpp is for block ciphers: the
/// suite builders of an AEAD key type A hand `anyAead<A>()` to the library, where the laws and
/// known answers are compiled once. A deterministic AEAD takes the same form with nonces of length
/// 0: its model refuses any other nonce. The lazy entry points go through kavrit::aeadSealLazy and
/// kavrit::aeadOpenLazy, so a key type's own `sealLazy` and `openLazy` are what gets tested.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/aead.hpp"

namespace kavrit::test {

/// A key built by an AEAD's `buildKey`. For a deterministic AEAD the nonce must be empty: seal
/// throws std::invalid_argument and open refuses otherwise.
class AnyAeadKey {
 public:
  virtual ~AnyAeadKey() = default;
  [[nodiscard]] virtual AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                                        const ByteString& plaintext) const = 0;
  [[nodiscard]] virtual std::optional<ByteString> open(const ByteString& nonce,
                                                       const ByteString& aad,
                                                       const ByteString& ciphertext,
                                                       const ByteString& tag) const = 0;
  [[nodiscard]] virtual AeadSealed sealLazy(const ByteString& nonce, const LazyByteString& aad,
                                            const LazyByteString& plaintext) const = 0;
  [[nodiscard]] virtual std::optional<ByteString> openLazy(const ByteString& nonce,
                                                           const LazyByteString& aad,
                                                           const LazyByteString& ciphertext,
                                                           const ByteString& tag) const = 0;
  /// A new key holding a copy of the implementation's key object (its copy constructor).
  [[nodiscard]] virtual std::unique_ptr<const AnyAeadKey> clone() const = 0;
};

/// An AEAD's static side. One object per key type, made on first use; it holds no key.
class AnyAead {
 public:
  virtual ~AnyAead() = default;
  /// Lengths in bits, as the key type reports them; a deterministic AEAD's nonce length is 0.
  [[nodiscard]] virtual long keyLength() const = 0;
  [[nodiscard]] virtual long nonceLength() const = 0;
  [[nodiscard]] virtual bool acceptsNonceLength(long bits) const = 0;
  [[nodiscard]] virtual long tagLength() const = 0;
  /// Whether this is a deterministic AEAD (no nonce).
  [[nodiscard]] virtual bool deterministic() const = 0;
  /// `A::buildKey`; null when it gives no key. Whatever the implementation throws passes through.
  [[nodiscard]] virtual std::unique_ptr<const AnyAeadKey> buildKey(
      const ByteString& bytes) const = 0;
  /// The lazy entry points the key type brings itself (see kavrit::ownAeadHooks).
  [[nodiscard]] virtual std::vector<std::string_view> ownHooks() const = 0;
};

/// Which lazy entry points a suite tests: "kavrit sealLazy/openLazy", "own sealLazy, kavrit
/// openLazy", ...
std::string describeAEADImplementations(const AnyAead& aead);

namespace detail {

template <class A>
class AeadKeyModel final : public AnyAeadKey {
 public:
  explicit AeadKeyModel(A key) : key_(std::move(key)) {}

  AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext) const override {
    if constexpr (Aead<A>) {
      return aeadSeal(key_, nonce, aad, plaintext);
    } else {
      requireEmptyNonce(nonce);
      return aeadSeal(key_, aad, plaintext);
    }
  }
  std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                 const ByteString& ciphertext,
                                 const ByteString& tag) const override {
    if constexpr (Aead<A>) {
      return aeadOpen(key_, nonce, aad, ciphertext, tag);
    } else {
      if (!nonce.empty()) return std::nullopt;
      return aeadOpen(key_, aad, ciphertext, tag);
    }
  }
  AeadSealed sealLazy(const ByteString& nonce, const LazyByteString& aad,
                      const LazyByteString& plaintext) const override {
    if constexpr (Aead<A>) {
      return aeadSealLazy(key_, nonce, aad, plaintext);
    } else {
      requireEmptyNonce(nonce);
      return aeadSealLazy(key_, aad, plaintext);
    }
  }
  std::optional<ByteString> openLazy(const ByteString& nonce, const LazyByteString& aad,
                                     const LazyByteString& ciphertext,
                                     const ByteString& tag) const override {
    if constexpr (Aead<A>) {
      return aeadOpenLazy(key_, nonce, aad, ciphertext, tag);
    } else {
      if (!nonce.empty()) return std::nullopt;
      return aeadOpenLazy(key_, aad, ciphertext, tag);
    }
  }
  std::unique_ptr<const AnyAeadKey> clone() const override {
    return std::make_unique<const AeadKeyModel>(key_);
  }

 private:
  static void requireEmptyNonce(const ByteString& nonce) {
    if (!nonce.empty()) {
      throw std::invalid_argument("a deterministic AEAD takes no nonce");
    }
  }
  A key_;
};

template <class A>
class AeadModel final : public AnyAead {
 public:
  long keyLength() const override { return static_cast<long>(A::keyLength()); }
  long nonceLength() const override {
    if constexpr (Aead<A>) {
      return static_cast<long>(A::nonceLength());
    } else {
      return 0;
    }
  }
  bool acceptsNonceLength(long bits) const override {
    if constexpr (Aead<A>) {
      return static_cast<bool>(A::acceptsNonceLength(bits));
    } else {
      return bits == 0;
    }
  }
  long tagLength() const override { return static_cast<long>(A::tagLength()); }
  bool deterministic() const override { return !Aead<A>; }
  std::unique_ptr<const AnyAeadKey> buildKey(const ByteString& bytes) const override {
    std::optional<A> key = A::buildKey(bytes);
    if (!key) return nullptr;
    return std::make_unique<const AeadKeyModel<A>>(std::move(*key));
  }
  std::vector<std::string_view> ownHooks() const override { return ownAeadHooks<A>(); }
};

}  // namespace detail

/// The AEAD of key type A (an `Aead` or a `DeterministicAead`), made once per type. A member of
/// the interface's names in the wrong shape fails to compile here, naming the shape.
template <class A>
const AnyAead& anyAead() {
  if constexpr (requires { &A::acceptsNonceLength; }) {
    requireAeadShape<A>();
  } else {
    requireDeterministicAeadShape<A>();
  }
  static_assert(Aead<A> || DeterministicAead<A>,
                "the key type is neither a kavrit::Aead nor a kavrit::DeterministicAead: see "
                "kavrit/aead.hpp for the members each needs");
  static const detail::AeadModel<A> model;
  return model;
}

}  // namespace kavrit::test
