#pragma once

// Deliberately broken own construction members, each one fault of a kind that slips past the
// known-answer files: the vectors' IVs, AAD and data units are short and their keys few.
// tools/fault_catch_rates.cpp measures which suites catch them. The block functions are those of
// the wrapped key type; each own member is written out here with its fault, over them.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>

#include "broken/law_faults.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/cmac.hpp"
#include "kavrit/gcm.hpp"
#include "kavrit/kdf.hpp"
#include "kavrit/xts.hpp"
#include "openssl/openssl_kdf.hpp"

namespace kavrit::examples {

/// Own GCM whose counter is incremented as a whole 128-bit number: from an IV whose first counter
/// block ends in ffffffff the carry runs into the IV part instead of wrapping the low 32 bits.
template <BlockCipher Real>
class GcmCounterCarries : public WrappedKey<Real, GcmCounterCarries<Real>> {
  using Base = WrappedKey<Real, GcmCounterCarries>;
  friend Base;

 public:
  [[nodiscard]] AeadSealed gcmEncrypt(const ByteString& iv, const ByteString& aad,
                                      const ByteString& plaintext, std::size_t tagBytes) const {
    if (iv.empty() || tagBytes < 4 || tagBytes > 16) {
      throw std::invalid_argument("gcmEncrypt: an empty IV or a tag outside 4..16 bytes");
    }
    AeadSealed sealed;
    sealed.ciphertext = counterMode(iv, plaintext);
    sealed.tag = tag(iv, aad, sealed.ciphertext, tagBytes);
    return sealed;
  }
  [[nodiscard]] std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad,
                                                     const ByteString& ciphertext,
                                                     const ByteString& tag) const {
    if (iv.empty() || tag.size() < 4 || tag.size() > 16) return std::nullopt;
    if (!kavrit::detail::aeadTagsEqual(this->tag(iv, aad, ciphertext, tag.size()), tag)) {
      return std::nullopt;
    }
    return counterMode(iv, ciphertext);
  }

 private:
  explicit GcmCounterCarries(Real inner) : Base(std::move(inner)) {}

  ByteString tag(const ByteString& iv, const ByteString& aad, const ByteString& ciphertext,
                 std::size_t tagBytes) const {
    const auto [h, j0] = kavrit::detail::gcmStart(this->inner(), iv);
    ByteString full = kavrit::detail::gcmFullTag(this->inner(), h, j0, aad, ciphertext);
    full.resize(tagBytes);
    return full;
  }
  ByteString counterMode(const ByteString& iv, const ByteString& in) const {
    ByteString counter = kavrit::detail::gcmStart(this->inner(), iv).second;
    ByteString out;
    for (std::size_t at = 0; at < in.size(); at += 16) {
      for (std::size_t i = 16; i-- > 0;) {
        if (++counter[i] != 0) break;
      }
      const ByteString stream = this->inner().encryptBlock(counter);
      for (std::size_t i = at; i < std::min(at + 16, in.size()); ++i) {
        out.push_back(static_cast<std::uint8_t>(in[i] ^ stream[i - at]));
      }
    }
    return out;
  }
};

/// Own GCM that keeps only the first 256 bytes of the AAD, as if it went through a fixed buffer.
template <BlockCipher Real>
class GcmAadBuffer256 : public WrappedKey<Real, GcmAadBuffer256<Real>> {
  using Base = WrappedKey<Real, GcmAadBuffer256>;
  friend Base;

 public:
  [[nodiscard]] AeadSealed gcmEncrypt(const ByteString& iv, const ByteString& aad,
                                      const ByteString& plaintext, std::size_t tagBytes) const {
    return kavrit::gcmEncrypt(this->inner(), iv, buffered(aad), plaintext, tagBytes);
  }
  [[nodiscard]] std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad,
                                                     const ByteString& ciphertext,
                                                     const ByteString& tag) const {
    return kavrit::gcmDecrypt(this->inner(), iv, buffered(aad), ciphertext, tag);
  }

 private:
  explicit GcmAadBuffer256(Real inner) : Base(std::move(inner)) {}
  static ByteString buffered(const ByteString& aad) {
    return ByteString(aad.begin(), aad.begin() + static_cast<std::ptrdiff_t>(
                                                     std::min<std::size_t>(aad.size(), 256)));
  }
};

/// Own CCM that always writes the AAD length in the 2-byte form, which is wrong from 65,280
/// (2^16 - 2^8) bytes on, where ff fe and 4 bytes are due.
template <BlockCipher Real>
class CcmShortAadLength : public WrappedKey<Real, CcmShortAadLength<Real>> {
  using Base = WrappedKey<Real, CcmShortAadLength>;
  friend Base;

 public:
  [[nodiscard]] AeadSealed ccmEncrypt(const ByteString& nonce, const ByteString& aad,
                                      const ByteString& plaintext, std::size_t tagBytes) const {
    kavrit::detail::requireCcmParameters("ccmEncrypt", 16, nonce.size(), tagBytes,
                                         plaintext.size());
    return AeadSealed{kavrit::detail::ccmCounter(this->inner(), nonce, plaintext),
                      tag(nonce, aad, plaintext, tagBytes)};
  }
  [[nodiscard]] std::optional<ByteString> ccmDecrypt(const ByteString& nonce, const ByteString& aad,
                                                     const ByteString& ciphertext,
                                                     const ByteString& tag) const {
    kavrit::detail::requireCcmParameters("ccmDecrypt", 16, nonce.size(), tag.size(),
                                         ciphertext.size());
    ByteString plaintext = kavrit::detail::ccmCounter(this->inner(), nonce, ciphertext);
    if (!kavrit::detail::aeadTagsEqual(this->tag(nonce, aad, plaintext, tag.size()), tag)) {
      return std::nullopt;
    }
    return plaintext;
  }

 private:
  explicit CcmShortAadLength(Real inner) : Base(std::move(inner)) {}

  ByteString tag(const ByteString& nonce, const ByteString& aad, const ByteString& plaintext,
                 std::size_t tagBytes) const {
    ByteString input(16, 0);
    input[0] = static_cast<std::uint8_t>((aad.empty() ? 0 : 0x40) | ((tagBytes - 2) / 2) << 3 |
                                         (14 - nonce.size()));
    std::copy(nonce.begin(), nonce.end(), input.begin() + 1);
    std::uint64_t length = plaintext.size();
    for (std::size_t i = 15; i > nonce.size(); --i, length >>= 8) {
      input[i] = static_cast<std::uint8_t>(length);
    }
    if (!aad.empty()) {
      input.push_back(static_cast<std::uint8_t>(aad.size() >> 8));
      input.push_back(static_cast<std::uint8_t>(aad.size()));
      input.insert(input.end(), aad.begin(), aad.end());
      input.resize((input.size() + 15) / 16 * 16, 0);
    }
    input.insert(input.end(), plaintext.begin(), plaintext.end());
    input.resize((input.size() + 15) / 16 * 16, 0);
    ByteString chain(16, 0);
    for (std::size_t at = 0; at < input.size(); at += 16) {
      for (std::size_t i = 0; i < 16; ++i) chain[i] ^= input[at + i];
      chain = this->inner().encryptBlock(chain);
    }
    const ByteString s0 = this->inner().encryptBlock(kavrit::detail::ccmCounterBlock(nonce, 0));
    chain.resize(tagBytes);
    for (std::size_t i = 0; i < tagBytes; ++i) chain[i] ^= s0[i];
    return chain;
  }
};

/// Own XTS that computes the tweak values of the first 32 blocks once and takes them round again
/// for block 32 on (T_j for j mod 32): right for data units of up to 512 bytes.
template <BlockCipher Real>
class XtsTweakTable32 : public WrappedKey<Real, XtsTweakTable32<Real>> {
  using Base = WrappedKey<Real, XtsTweakTable32>;
  friend Base;

 public:
  [[nodiscard]] ByteString xtsEncrypt(const XtsTweakTable32& tweakKey, const ByteString& tweak,
                                      const ByteString& data) const {
    return run(tweakKey, false, tweak, data);
  }
  [[nodiscard]] ByteString xtsDecrypt(const XtsTweakTable32& tweakKey, const ByteString& tweak,
                                      const ByteString& data) const {
    return run(tweakKey, true, tweak, data);
  }

 private:
  explicit XtsTweakTable32(Real inner) : Base(std::move(inner)) {}

  ByteString run(const XtsTweakTable32& tweakKey, bool decrypt, const ByteString& tweak,
                 const ByteString& data) const {
    std::array<ByteString, 32> table;
    table[0] = tweakKey.inner().encryptBlock(tweak);
    for (std::size_t j = 1; j < table.size(); ++j) {
      table[j] = table[j - 1];
      kavrit::detail::xtsTimesAlpha(table[j]);
    }
    const auto t = [&table](std::size_t j) { return table[j % table.size()]; };
    const std::size_t n = data.size();
    const std::size_t r = n % 16;
    const std::size_t plain = n / 16 - (r != 0 ? 1 : 0);
    ByteString out;
    for (std::size_t j = 0; j < plain; ++j) {
      const ByteString block =
          kavrit::detail::xtsBlock(this->inner(), decrypt, t(j), data.data() + j * 16);
      out.insert(out.end(), block.begin(), block.end());
    }
    if (r == 0) return out;
    const std::size_t at = plain * 16;
    ByteString first = t(plain);
    ByteString second = t(plain + 1);
    if (decrypt) std::swap(first, second);
    const ByteString whole =
        kavrit::detail::xtsBlock(this->inner(), decrypt, first, data.data() + at);
    ByteString last(data.begin() + static_cast<std::ptrdiff_t>(at + 16), data.end());
    last.insert(last.end(), whole.begin() + static_cast<std::ptrdiff_t>(r), whole.end());
    const ByteString stolen = kavrit::detail::xtsBlock(this->inner(), decrypt, second, last.data());
    out.insert(out.end(), stolen.begin(), stolen.end());
    out.insert(out.end(), whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(r));
    return out;
  }
};

/// Own CMAC whose first subkey is L shifted left without the conditional XOR with R_b: wrong for
/// every key whose E_K(0) has its high bit set (K2 is doubled from it correctly).
template <BlockCipher Real>
class CmacK1WithoutRb : public WrappedKey<Real, CmacK1WithoutRb<Real>> {
  using Base = WrappedKey<Real, CmacK1WithoutRb>;
  friend Base;

 public:
  [[nodiscard]] ByteString cmac(const ByteString& message) const {
    const std::size_t b = 16;
    const ByteString k1 =
        kavrit::detail::cmacDouble(this->inner().encryptBlock(ByteString(b, 0)), 0);
    ByteString chain(b, 0);
    const std::size_t whole = message.empty() ? 0 : (message.size() - 1) / b;
    for (std::size_t j = 0; j < whole; ++j) {
      for (std::size_t i = 0; i < b; ++i) chain[i] ^= message[j * b + i];
      chain = this->inner().encryptBlock(chain);
    }
    ByteString last(message.begin() + static_cast<std::ptrdiff_t>(whole * b), message.end());
    ByteString subkey = k1;
    if (last.size() < b) {
      last.push_back(0x80);
      last.resize(b, 0);
      subkey = kavrit::detail::cmacDouble(k1, 0x87);
    }
    for (std::size_t i = 0; i < b; ++i) chain[i] ^= static_cast<std::uint8_t>(last[i] ^ subkey[i]);
    return this->inner().encryptBlock(chain);
  }
  [[nodiscard]] ByteString cmacLazy(const LazyByteString& message) const {
    return cmac(message.flatten());
  }

 private:
  explicit CmacK1WithoutRb(Real inner) : Base(std::move(inner)) {}
};

/// A one-shot HKDF that drops the info when no salt is given (it takes the salt-less call for the
/// RFC 5869 case without salt and info); extract and expand alone are kavrit's.
struct HkdfDropsInfoWithoutSaltHooks {
  static ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                         std::size_t length) {
    return kavrit::hkdf<SHA256>(salt, ikm, salt.empty() ? ByteString() : info, length);
  }
};
using HkdfDropsInfoWithoutSalt = Hooked<SHA256, HkdfDropsInfoWithoutSaltHooks>;

}  // namespace kavrit::examples
