#pragma once

// Deliberately broken GCM, CCM, KW and KWP members that open what they must refuse. Each wraps a
// correct key type, brings one own decrypt or unwrap member with one fault, and leaves the rest
// to kavrit. They seal and open valid messages as they should, so round trips and the records
// that must open pass; the refusal laws (kavrit/test/refusal_laws.hpp) are built to catch them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "broken/law_faults.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/gcm.hpp"
#include "kavrit/key_wrap.hpp"

namespace kavrit::examples {

namespace detail {

// GCM's plaintext: the counter stream from J0 + 1 is what encrypting the ciphertext gives.
template <class Key>
ByteString gcmOpenUnchecked(const Key& key, const ByteString& iv, const ByteString& ciphertext) {
  return kavrit::detail::gcmEncryptOver(key, 16, iv, ByteString(), ciphertext, 16).ciphertext;
}

// The full 16-byte GCM tag of a message.
template <class Key>
ByteString gcmFullTagOf(const Key& key, const ByteString& iv, const ByteString& aad,
                        const ByteString& ciphertext) {
  const auto [h, j0] = kavrit::detail::gcmStart(key, iv);
  return kavrit::detail::gcmFullTag(key, h, j0, aad, ciphertext);
}

}  // namespace detail

/// gcmDecrypt compares only the first 4 bytes of the tag, the shortest tag GCM has, whatever the
/// length given: the last bytes of a longer tag may be anything.
template <BlockCipher Real>
class GcmComparesFourTagBytes : public WrappedKey<Real, GcmComparesFourTagBytes<Real>> {
  using Base = WrappedKey<Real, GcmComparesFourTagBytes>;
  friend Base;

 public:
  [[nodiscard]] std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad,
                                                     const ByteString& ciphertext,
                                                     const ByteString& tag) const {
    if (iv.empty() || tag.size() < 4 || tag.size() > 16) return std::nullopt;
    const ByteString expected = detail::gcmFullTagOf(this->inner(), iv, aad, ciphertext);
    if (!std::equal(tag.begin(), tag.begin() + 4, expected.begin())) return std::nullopt;
    return detail::gcmOpenUnchecked(this->inner(), iv, ciphertext);
  }

 private:
  explicit GcmComparesFourTagBytes(Real inner) : Base(std::move(inner)) {}
};

/// gcmDecrypt compares the tag given with as many bytes of the full tag, without the 4-byte
/// minimum: an empty tag opens anything, a 1-byte one one message in 256.
template <BlockCipher Real>
class GcmTakesShortTags : public WrappedKey<Real, GcmTakesShortTags<Real>> {
  using Base = WrappedKey<Real, GcmTakesShortTags>;
  friend Base;

 public:
  [[nodiscard]] std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad,
                                                     const ByteString& ciphertext,
                                                     const ByteString& tag) const {
    if (iv.empty() || tag.size() > 16) return std::nullopt;
    ByteString expected = detail::gcmFullTagOf(this->inner(), iv, aad, ciphertext);
    expected.resize(tag.size());
    if (!kavrit::detail::aeadTagsEqual(expected, tag)) return std::nullopt;
    return detail::gcmOpenUnchecked(this->inner(), iv, ciphertext);
  }

 private:
  explicit GcmTakesShortTags(Real inner) : Base(std::move(inner)) {}
};

/// ccmDecrypt takes a tag of a length CCM has no tag of as the next longer one it has (at least
/// 4 bytes) and compares only the bytes given: a valid tag cut by one byte, or to nothing, opens.
template <BlockCipher Real>
class CcmComparesCutTag : public WrappedKey<Real, CcmComparesCutTag<Real>> {
  using Base = WrappedKey<Real, CcmComparesCutTag>;
  friend Base;

 public:
  [[nodiscard]] std::optional<ByteString> ccmDecrypt(const ByteString& nonce, const ByteString& aad,
                                                     const ByteString& ciphertext,
                                                     const ByteString& tag) const {
    const std::size_t tagBytes = std::max<std::size_t>(4, (tag.size() + 1) / 2 * 2);
    kavrit::detail::requireCcmParameters("ccmDecrypt", 16, nonce.size(), tagBytes,
                                         ciphertext.size());
    ByteString plaintext = kavrit::detail::ccmCounter(this->inner(), nonce, ciphertext);
    ByteString expected = kavrit::detail::ccmTag(this->inner(), nonce, aad, plaintext, tagBytes);
    expected.resize(tag.size());
    if (!kavrit::detail::aeadTagsEqual(expected, tag)) return std::nullopt;
    return plaintext;
  }

 private:
  explicit CcmComparesCutTag(Real inner) : Base(std::move(inner)) {}
};

/// keyUnwrap checks only the first 4 bytes of the ICV.
template <BlockCipher Real>
class KwChecksFourIcvBytes : public WrappedKey<Real, KwChecksFourIcvBytes<Real>> {
  using Base = WrappedKey<Real, KwChecksFourIcvBytes>;
  friend Base;

 public:
  [[nodiscard]] std::optional<ByteString> keyUnwrap(const ByteString& wrapped) const {
    if (wrapped.size() % 8 != 0 || wrapped.size() < 24) return std::nullopt;
    ByteString out = kavrit::detail::keyUnwrapRounds(this->inner(), wrapped);
    const auto& icv = kavrit::detail::kKeyWrapIV;
    if (!std::equal(icv.begin(), icv.begin() + 4, out.begin())) return std::nullopt;
    out.erase(out.begin(), out.begin() + 8);
    return out;
  }

 private:
  explicit KwChecksFourIcvBytes(Real inner) : Base(std::move(inner)) {}
};

// KWP's unwrap with either of its last two checks left out.
template <BlockCipher Real, bool CheckLength, bool CheckPadding, class Self>
class KwpUnwrapWithout : public WrappedKey<Real, Self> {
  using Base = WrappedKey<Real, Self>;

 public:
  [[nodiscard]] std::optional<ByteString> keyUnwrapPad(const ByteString& wrapped) const {
    if (wrapped.size() % 8 != 0 || wrapped.size() < 16) return std::nullopt;
    const ByteString out = wrapped.size() == 16
                               ? kavrit::detail::decryptChecked(this->inner(), wrapped)
                               : kavrit::detail::keyUnwrapRounds(this->inner(), wrapped);
    const auto& aiv = kavrit::detail::kKeyWrapPadIV;
    if (!std::equal(aiv.begin(), aiv.end(), out.begin())) return std::nullopt;
    std::size_t length = 0;
    for (std::size_t k = 4; k < 8; ++k) length = length << 8 | out[k];
    const std::size_t semiblocks = out.size() / 8 - 1;
    if constexpr (CheckLength) {
      if (length <= 8 * (semiblocks - 1) || length > 8 * semiblocks) return std::nullopt;
    } else {
      // Without the check, a length past the end would read past it; this one stops there.
      length = std::min(length, 8 * semiblocks);
    }
    if constexpr (CheckPadding) {
      for (std::size_t k = 8 + length; k < out.size(); ++k) {
        if (out[k] != 0) return std::nullopt;
      }
    }
    return ByteString(out.begin() + 8, out.begin() + 8 + static_cast<std::ptrdiff_t>(length));
  }

 protected:
  explicit KwpUnwrapWithout(Real inner) : Base(std::move(inner)) {}
};

/// keyUnwrapPad never checks that the padding past MLI is zero.
template <BlockCipher Real>
class KwpIgnoresPadding : public KwpUnwrapWithout<Real, true, false, KwpIgnoresPadding<Real>> {
  using Base = KwpUnwrapWithout<Real, true, false, KwpIgnoresPadding>;
  friend WrappedKey<Real, KwpIgnoresPadding>;

  explicit KwpIgnoresPadding(Real inner) : Base(std::move(inner)) {}
};

/// keyUnwrapPad takes any MLI: it gives the first MLI bytes unwrapped (all of them when MLI is
/// past the end), and only the bytes after MLI must be zero.
template <BlockCipher Real>
class KwpSkipsLengthCheck : public KwpUnwrapWithout<Real, false, true, KwpSkipsLengthCheck<Real>> {
  using Base = KwpUnwrapWithout<Real, false, true, KwpSkipsLengthCheck>;
  friend WrappedKey<Real, KwpSkipsLengthCheck>;

  explicit KwpSkipsLengthCheck(Real inner) : Base(std::move(inner)) {}
};

}  // namespace kavrit::examples
