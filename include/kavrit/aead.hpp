#pragma once

/// @file
/// Authenticated encryption with associated data: the `Aead` concept that a key type of a
/// nonce-based AEAD satisfies (ChaCha20-Poly1305, AES-EAX, AES-GCM-SIV, ...), its deterministic
/// variant `DeterministicAead` (AES-SIV without a nonce), the entry points the library calls, and
/// what the block-cipher modes (kavrit/gcm.hpp, kavrit/ccm.hpp) share with them: the result of
/// sealing a message and the tag comparison.
///
/// An AEAD key type A brings (lengths in bits):
///
///     static long keyLength();                      // the key length buildKey takes
///     static long nonceLength();                    // the nonce length the laws use
///     static bool acceptsNonceLength(long bits);    // every nonce length seal and open take
///     static long tagLength();
///     static std::optional<A> buildKey(const ByteString& key);
///     AeadSealed seal(const ByteString& nonce, const ByteString& aad,
///                     const ByteString& plaintext) const;
///     std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
///                                    const ByteString& ciphertext, const ByteString& tag) const;
///
/// `seal` throws std::invalid_argument for a nonce of a length it does not accept; `open` refuses
/// anything that does not verify (a wrong tag, tag length or nonce length) with an empty optional,
/// and releases no plaintext before the tag has verified. A deterministic AEAD has the same
/// members without the nonce ones, and `seal(aad, plaintext)`, `open(aad, ciphertext, tag)`; for
/// SIV the tag is the synthetic IV, which the wire form puts in front of the ciphertext.
///
/// The lazy entry points `sealLazy` and `openLazy` take the AAD and the text as
/// `LazyByteString`s (the nonce and tag stay strict). A key type may bring its own:
///
///     AeadSealed sealLazy(const ByteString& nonce, const LazyByteString& aad,
///                         const LazyByteString& plaintext) const;
///     std::optional<ByteString> openLazy(const ByteString& nonce, const LazyByteString& aad,
///                                        const LazyByteString& ciphertext,
///                                        const ByteString& tag) const;
///
/// (without the nonce for a deterministic AEAD); otherwise kavrit flattens them and calls the
/// strict member. A member named `seal`, `open`, `sealLazy` or `openLazy` in another shape is a
/// compile-time error naming the shape it must have, never silently passed over.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

/// A sealed message: the ciphertext, as long as the plaintext, and the authentication tag.
struct AeadSealed {
  ByteString ciphertext;
  ByteString tag;

  friend bool operator==(const AeadSealed&, const AeadSealed&) = default;
};

namespace detail {

/// Whether two tags are equal, in a time that depends on their lengths only: a comparison that
/// stops at the first wrong byte tells a forger how much of a guessed tag was right.
inline bool aeadTagsEqual(const ByteString& a, const ByteString& b) {
  if (a.size() != b.size()) return false;
  std::uint8_t difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<std::uint8_t>(a[i] ^ b[i]);
  return difference == 0;
}

KAVRIT_MEMBER_HOOK(aeadSeal, const T&, seal, AeadSealed,
                   (const ByteString& n, const ByteString& a, const ByteString& p), (n, a, p),
                   "AeadSealed seal(const ByteString& nonce, const ByteString& aad, const "
                   "ByteString& plaintext) const",
                   "AEAD")
KAVRIT_MEMBER_HOOK(aeadOpen, const T&, open, std::optional<ByteString>,
                   (const ByteString& n, const ByteString& a, const ByteString& c,
                    const ByteString& t),
                   (n, a, c, t),
                   "std::optional<ByteString> open(const ByteString& nonce, const ByteString& "
                   "aad, const ByteString& ciphertext, const ByteString& tag) const",
                   "AEAD")
KAVRIT_MEMBER_HOOK(aeadSealLazy, const T&, sealLazy, AeadSealed,
                   (const ByteString& n, const LazyByteString& a, const LazyByteString& p),
                   (n, a, p),
                   "AeadSealed sealLazy(const ByteString& nonce, const LazyByteString& aad, const "
                   "LazyByteString& plaintext) const",
                   "AEAD")
KAVRIT_MEMBER_HOOK(aeadOpenLazy, const T&, openLazy, std::optional<ByteString>,
                   (const ByteString& n, const LazyByteString& a, const LazyByteString& c,
                    const ByteString& t),
                   (n, a, c, t),
                   "std::optional<ByteString> openLazy(const ByteString& nonce, const "
                   "LazyByteString& aad, const LazyByteString& ciphertext, const ByteString& "
                   "tag) const",
                   "AEAD")
KAVRIT_MEMBER_HOOK(daeadSeal, const T&, seal, AeadSealed,
                   (const ByteString& a, const ByteString& p), (a, p),
                   "AeadSealed seal(const ByteString& aad, const ByteString& plaintext) const",
                   "deterministic AEAD")
KAVRIT_MEMBER_HOOK(daeadOpen, const T&, open, std::optional<ByteString>,
                   (const ByteString& a, const ByteString& c, const ByteString& t), (a, c, t),
                   "std::optional<ByteString> open(const ByteString& aad, const ByteString& "
                   "ciphertext, const ByteString& tag) const",
                   "deterministic AEAD")
KAVRIT_MEMBER_HOOK(daeadSealLazy, const T&, sealLazy, AeadSealed,
                   (const LazyByteString& a, const LazyByteString& p), (a, p),
                   "AeadSealed sealLazy(const LazyByteString& aad, const LazyByteString& "
                   "plaintext) const",
                   "deterministic AEAD")
KAVRIT_MEMBER_HOOK(daeadOpenLazy, const T&, openLazy, std::optional<ByteString>,
                   (const LazyByteString& a, const LazyByteString& c, const ByteString& t),
                   (a, c, t),
                   "std::optional<ByteString> openLazy(const LazyByteString& aad, const "
                   "LazyByteString& ciphertext, const ByteString& tag) const",
                   "deterministic AEAD")

}  // namespace detail

/// A key type of a nonce-based AEAD (see the file comment).
template <class A>
concept Aead = std::copy_constructible<A> && requires(const ByteString& bytes, long bits) {
  { A::keyLength() } -> std::convertible_to<long>;
  { A::nonceLength() } -> std::convertible_to<long>;
  { A::acceptsNonceLength(bits) } -> std::convertible_to<bool>;
  { A::tagLength() } -> std::convertible_to<long>;
  { A::buildKey(bytes) } -> std::same_as<std::optional<A>>;
} && detail::own_aeadSeal<A> && detail::own_aeadOpen<A>;

/// A key type of a deterministic AEAD: an AEAD without a nonce (see the file comment).
template <class D>
concept DeterministicAead = std::copy_constructible<D> && requires(const ByteString& bytes) {
  { D::keyLength() } -> std::convertible_to<long>;
  { D::tagLength() } -> std::convertible_to<long>;
  { D::buildKey(bytes) } -> std::same_as<std::optional<D>>;
} && detail::own_daeadSeal<D> && detail::own_daeadOpen<D>;

/// Fails to compile, naming the shape, when key type A has an AEAD member of the wrong shape;
/// the library's entry points call it before they check the concept.
template <class A>
constexpr void requireAeadShape() {
  detail::requireShape_aeadSeal<A>();
  detail::requireShape_aeadOpen<A>();
  detail::requireShape_aeadSealLazy<A>();
  detail::requireShape_aeadOpenLazy<A>();
}
template <class D>
constexpr void requireDeterministicAeadShape() {
  detail::requireShape_daeadSeal<D>();
  detail::requireShape_daeadOpen<D>();
  detail::requireShape_daeadSealLazy<D>();
  detail::requireShape_daeadOpenLazy<D>();
}

/// `key.seal(nonce, aad, plaintext)`.
template <Aead A>
AeadSealed aeadSeal(const A& key, const ByteString& nonce, const ByteString& aad,
                    const ByteString& plaintext) {
  requireAeadShape<A>();
  return key.seal(nonce, aad, plaintext);
}
/// `key.open(nonce, aad, ciphertext, tag)`.
template <Aead A>
std::optional<ByteString> aeadOpen(const A& key, const ByteString& nonce, const ByteString& aad,
                                   const ByteString& ciphertext, const ByteString& tag) {
  requireAeadShape<A>();
  return key.open(nonce, aad, ciphertext, tag);
}
/// The key type's own `sealLazy`, or `seal` of the flattened AAD and plaintext.
template <Aead A>
AeadSealed aeadSealLazy(const A& key, const ByteString& nonce, const LazyByteString& aad,
                        const LazyByteString& plaintext) {
  requireAeadShape<A>();
  if constexpr (detail::own_aeadSealLazy<A>) {
    return key.sealLazy(nonce, aad, plaintext);
  } else {
    return key.seal(nonce, aad.flatten(), plaintext.flatten());
  }
}
/// The key type's own `openLazy`, or `open` of the flattened AAD and ciphertext.
template <Aead A>
std::optional<ByteString> aeadOpenLazy(const A& key, const ByteString& nonce,
                                       const LazyByteString& aad, const LazyByteString& ciphertext,
                                       const ByteString& tag) {
  requireAeadShape<A>();
  if constexpr (detail::own_aeadOpenLazy<A>) {
    return key.openLazy(nonce, aad, ciphertext, tag);
  } else {
    return key.open(nonce, aad.flatten(), ciphertext.flatten(), tag);
  }
}

/// The same for a deterministic AEAD, without the nonce.
template <DeterministicAead D>
AeadSealed aeadSeal(const D& key, const ByteString& aad, const ByteString& plaintext) {
  requireDeterministicAeadShape<D>();
  return key.seal(aad, plaintext);
}
template <DeterministicAead D>
std::optional<ByteString> aeadOpen(const D& key, const ByteString& aad,
                                   const ByteString& ciphertext, const ByteString& tag) {
  requireDeterministicAeadShape<D>();
  return key.open(aad, ciphertext, tag);
}
template <DeterministicAead D>
AeadSealed aeadSealLazy(const D& key, const LazyByteString& aad, const LazyByteString& plaintext) {
  requireDeterministicAeadShape<D>();
  if constexpr (detail::own_daeadSealLazy<D>) {
    return key.sealLazy(aad, plaintext);
  } else {
    return key.seal(aad.flatten(), plaintext.flatten());
  }
}
template <DeterministicAead D>
std::optional<ByteString> aeadOpenLazy(const D& key, const LazyByteString& aad,
                                       const LazyByteString& ciphertext, const ByteString& tag) {
  requireDeterministicAeadShape<D>();
  if constexpr (detail::own_daeadOpenLazy<D>) {
    return key.openLazy(aad, ciphertext, tag);
  } else {
    return key.open(aad.flatten(), ciphertext.flatten(), tag);
  }
}

/// The lazy entry points the key type brings itself ("sealLazy", "openLazy"); kavrit serves the
/// others from the strict ones.
template <class A>
std::vector<std::string_view> ownAeadHooks() {
  std::vector<std::string_view> own;
  if constexpr (Aead<A>) {
    if (detail::own_aeadSealLazy<A>) own.push_back("sealLazy");
    if (detail::own_aeadOpenLazy<A>) own.push_back("openLazy");
  } else {
    if (detail::own_daeadSealLazy<A>) own.push_back("sealLazy");
    if (detail::own_daeadOpenLazy<A>) own.push_back("openLazy");
  }
  return own;
}

}  // namespace kavrit
