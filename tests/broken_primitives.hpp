#pragma once

// Correct stream ciphers, MACs and AEADs wrapped to break them one way (a flipped output bit, an
// open that releases forgeries), and the Wycheproof tests a forgery-opener must fail.

#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

#include "kavrit/aead.hpp"
#include "kavrit/mac.hpp"
#include "kavrit/stream_cipher.hpp"
#include "kavrit/test/paths.hpp"
#include "vectors/wycheproof_file.hpp"

namespace kavrit::test {

// S with the last bit of every output of apply flipped.
template <StreamCipher S>
struct FlipsStreamBit {
  S inner;
  static long keyLength() { return S::keyLength(); }
  static long nonceLength() { return S::nonceLength(); }
  static long counterLength() { return S::counterLength(); }
  static long blockLength() { return S::blockLength(); }
  static bool acceptsKeyLength(long bits) { return streamAcceptsKeyLength<S>(bits); }
  static std::optional<FlipsStreamBit> start(const ByteString& key, const ByteString& nonce,
                                             std::uint64_t counter) {
    if (std::optional<S> s = S::start(key, nonce, counter)) return FlipsStreamBit{std::move(*s)};
    return std::nullopt;
  }
  std::optional<ByteString> apply(const ByteString& data) {
    std::optional<ByteString> out = inner.apply(data);
    if (out && !out->empty()) out->back() ^= 1;
    return out;
  }
};

// M with the last bit of every tag flipped.
template <Mac M>
struct FlipsTagBit {
  M inner;
  static long keyLength() { return M::keyLength(); }
  static long tagLength() { return M::tagLength(); }
  static std::optional<FlipsTagBit> buildKey(const ByteString& key) {
    if (std::optional<M> k = M::buildKey(key)) return FlipsTagBit{std::move(*k)};
    return std::nullopt;
  }
  [[nodiscard]] ByteString tag(const ByteString& message) const {
    ByteString out = inner.tag(message);
    out.back() ^= 1;
    return out;
  }
};

enum class AeadFault { FlipsSealedBit, OpensAnything };

// A, nonce-based or deterministic, with one fault: seal flips the last bit of the ciphertext (of
// the tag when there is no ciphertext), or open releases the ciphertext where A refuses.
template <class A, AeadFault F>
requires(Aead<A> || DeterministicAead<A>) struct BrokenAead {
  A inner;
  static long keyLength() { return A::keyLength(); }
  static long tagLength() { return A::tagLength(); }
  static long nonceLength() requires Aead<A> { return A::nonceLength(); }
  static bool acceptsNonceLength(long bits) requires Aead<A> { return A::acceptsNonceLength(bits); }
  static std::optional<BrokenAead> buildKey(const ByteString& key) {
    if (std::optional<A> k = A::buildKey(key)) return BrokenAead{std::move(*k)};
    return std::nullopt;
  }
  // (nonce, aad, plaintext), or (aad, plaintext) for a deterministic A.
  template <class... Args>
  requires requires(const A& a, const Args&... args) { a.seal(args...); }
  [[nodiscard]] AeadSealed seal(const Args&... args) const {
    AeadSealed s = inner.seal(args...);
    if (F == AeadFault::FlipsSealedBit) (s.ciphertext.empty() ? s.tag : s.ciphertext).back() ^= 1;
    return s;
  }
  // (nonce, aad, ciphertext, tag), or (aad, ciphertext, tag).
  template <class... Args>
  requires requires(const A& a, const Args&... args) { a.open(args...); }
  [[nodiscard]] std::optional<ByteString> open(const Args&... args) const {
    if constexpr (F == AeadFault::OpensAnything) {
      try {
        if (std::optional<ByteString> plaintext = inner.open(args...)) return plaintext;
      } catch (const std::invalid_argument&) {
      }
      return std::get<sizeof...(Args) - 2>(std::tie(args...));
    } else {
      return inner.open(args...);
    }
  }
};

// The names of the invalid tests of a Wycheproof file, in the groups of `keyBits`.
inline std::set<std::string> invalidNames(const std::string& file, std::uint64_t keyBits) {
  std::set<std::string> names;
  const auto loaded = detail::loadWycheproofFile(getDataFileName("Test/WYCHEPROOF/" + file));
  for (const detail::WycheproofGroup& group : loaded->groups) {
    if (group.parameter("keySize") != keyBits) continue;
    for (const detail::WycheproofCase& test : group.tests) {
      if (test.result != detail::WycheproofResult::Invalid) continue;
      std::string name = file + "-tc" + std::to_string(test.tcId);
      for (const std::string& flag : test.flags) name += "-" + flag;
      names.insert(name);
    }
  }
  return names;
}

}  // namespace kavrit::test
