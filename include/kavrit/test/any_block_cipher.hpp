#pragma once

/// @file
/// A block cipher behind virtual calls. Every suite builder of a key type K does no more than
/// take `anyBlockCipher<K>()` and hand it to the library, where the suites, the laws and their
/// reports are compiled once. What is instantiated per key type is this small adapter: the
/// cipher's static members, and each mode through `kavrit::ecb`, `kavrit::cbc`, ... so that a
/// key type's own mode members are what gets tested.

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/cbc_pad.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/cmac.hpp"
#include "kavrit/gcm.hpp"
#include "kavrit/key_wrap.hpp"
#include "kavrit/xts.hpp"

namespace kavrit::test {

/// The chained modes, each direction on its own.
enum class ChainedMode { CBC, UnCBC, CFB, UnCFB, OFB, UnOFB, CTR, UnCTR };

/// The name of a mode's strict entry point: "cbc", "unCbc", ...
std::string_view chainedModeName(ChainedMode mode);

/// The two key-wrap constructions: KW (`keyWrap`, `keyUnwrap`) and KWP (`keyWrapPad`,
/// `keyUnwrapPad`).
enum class KeyWrapKind { KW, KWP };

/// A key built by a cipher's `buildKey`. IVs are passed and returned as their bytes; an IV given
/// to a mode must be one that AnyBlockCipher::parseIV accepted.
class AnyKey {
 public:
  virtual ~AnyKey() = default;
  [[nodiscard]] virtual ByteString encryptBlock(const ByteString& in) const = 0;
  [[nodiscard]] virtual ByteString decryptBlock(const ByteString& in) const = 0;
  [[nodiscard]] virtual ByteString ecb(const ByteString& in) const = 0;
  [[nodiscard]] virtual ByteString unEcb(const ByteString& in) const = 0;
  [[nodiscard]] virtual LazyByteString ecbLazy(const LazyByteString& in) const = 0;
  [[nodiscard]] virtual LazyByteString unEcbLazy(const LazyByteString& in) const = 0;
  /// The mode's output and next IV.
  [[nodiscard]] virtual std::pair<ByteString, ByteString> chained(ChainedMode mode,
                                                                  const ByteString& iv,
                                                                  const ByteString& in) const = 0;
  [[nodiscard]] virtual std::pair<LazyByteString, ByteString> chainedLazy(
      ChainedMode mode, const ByteString& iv, const LazyByteString& in) const = 0;
  /// CMAC and key wrap, as kavrit::cmac, kavrit::keyWrap, ... give them for the key type.
  [[nodiscard]] virtual ByteString cmac(const ByteString& message) const = 0;
  [[nodiscard]] virtual ByteString cmacLazy(const LazyByteString& message) const = 0;
  [[nodiscard]] virtual ByteString keyWrap(KeyWrapKind kind, const ByteString& in) const = 0;
  [[nodiscard]] virtual std::optional<ByteString> keyUnwrap(KeyWrapKind kind,
                                                            const ByteString& in) const = 0;
  /// XTS with this key as the data key and `tweakKey`, a key of the same type, as the tweak key
  /// (kavrit::xtsEncrypt, or kavrit::xtsDecrypt with `decrypt`).
  [[nodiscard]] virtual ByteString xts(bool decrypt, const AnyKey& tweakKey,
                                       const ByteString& tweak, const ByteString& data) const = 0;
  /// GCM, as kavrit::gcmEncrypt, kavrit::gcmDecrypt, ... give it for the key type.
  [[nodiscard]] virtual AeadSealed gcmEncrypt(const ByteString& iv, const ByteString& aad,
                                              const ByteString& plaintext,
                                              std::size_t tagBytes) const = 0;
  [[nodiscard]] virtual std::optional<ByteString> gcmDecrypt(const ByteString& iv,
                                                             const ByteString& aad,
                                                             const ByteString& ciphertext,
                                                             const ByteString& tag) const = 0;
  [[nodiscard]] virtual AeadSealed gcmEncryptLazy(const ByteString& iv, const LazyByteString& aad,
                                                  const LazyByteString& plaintext,
                                                  std::size_t tagBytes) const = 0;
  [[nodiscard]] virtual std::optional<ByteString> gcmDecryptLazy(const ByteString& iv,
                                                                 const LazyByteString& aad,
                                                                 const LazyByteString& ciphertext,
                                                                 const ByteString& tag) const = 0;
  /// CCM, as kavrit::ccmEncrypt and kavrit::ccmDecrypt give it for the key type.
  [[nodiscard]] virtual AeadSealed ccmEncrypt(const ByteString& nonce, const ByteString& aad,
                                              const ByteString& plaintext,
                                              std::size_t tagBytes) const = 0;
  [[nodiscard]] virtual std::optional<ByteString> ccmDecrypt(const ByteString& nonce,
                                                             const ByteString& aad,
                                                             const ByteString& ciphertext,
                                                             const ByteString& tag) const = 0;
  /// CBC with PKCS#7 padding, as kavrit::cbcPad, kavrit::unCbcPad, ... give it for the key type.
  [[nodiscard]] virtual ByteString cbcPad(const ByteString& iv,
                                          const ByteString& plaintext) const = 0;
  [[nodiscard]] virtual std::optional<ByteString> unCbcPad(const ByteString& iv,
                                                           const ByteString& ciphertext) const = 0;
  [[nodiscard]] virtual ByteString cbcPadLazy(const ByteString& iv,
                                              const LazyByteString& plaintext) const = 0;
  [[nodiscard]] virtual std::optional<ByteString> unCbcPadLazy(
      const ByteString& iv, const LazyByteString& ciphertext) const = 0;
  /// A new key holding a copy of the implementation's key object (its copy constructor).
  [[nodiscard]] virtual std::unique_ptr<const AnyKey> clone() const = 0;
};

/// A block cipher's static side: sizes, key building, IV reading and which mode hooks it brings.
/// One object per key type, made on first use and never destroyed before the program ends; it
/// holds no key.
class AnyBlockCipher {
 public:
  virtual ~AnyBlockCipher() = default;
  /// Sizes in bits, as the cipher reports them.
  [[nodiscard]] virtual long blockSize() const = 0;
  [[nodiscard]] virtual long keyLength() const = 0;
  /// kavrit::blockCipherAcceptsKeyLength: whether buildKey takes keys of `bits` bits. Not pure, so
  /// that a model written before it keeps compiling: keyLength() alone.
  [[nodiscard]] virtual bool acceptsKeyLength(long bits) const { return bits == keyLength(); }
  /// The block in whole bytes; throws std::invalid_argument under one byte, as kavrit::blockBytes.
  [[nodiscard]] std::size_t blockBytes() const;
  /// `K::buildKey`; null when it gives no key. Whatever the implementation throws passes through.
  [[nodiscard]] virtual std::unique_ptr<const AnyKey> buildKey(const ByteString& bytes) const = 0;
  /// The bytes of `IV<K>::parse(bytes)`; nothing when it gives no IV.
  [[nodiscard]] virtual std::optional<ByteString> parseIV(const ByteString& bytes) const = 0;
  /// The mode hooks the key type brings itself (see kavrit::ownModeHooks).
  [[nodiscard]] virtual std::vector<std::string_view> ownHooks() const = 0;
  /// The CMAC, key-wrap, XTS, GCM, CCM and padded-CBC hooks it brings (kavrit::ownCMACHooks,
  /// kavrit::ownKeyWrapHooks, kavrit::ownXTSHooks, kavrit::ownGCMHooks, kavrit::ownCCMHooks, then
  /// kavrit::ownCbcPadHooks).
  [[nodiscard]] virtual std::vector<std::string_view> ownConstructionHooks() const = 0;
};

/// Which implementation of each mode a suite tests. A mode whose four entry points (e.g. cbc,
/// cbcLazy, unCbc, unCbcLazy) the key type all brings is listed as its own by the mode's name, one
/// of which it brings some by those entry points, and then again among kavrit's as "(rest)":
/// "kavrit ecb/cbc/cfb/ofb/ctr" for a type without hooks, "own cbc/ctrLazy, kavrit ecb/cbc
/// (rest)/cfb/ofb/ctr (rest)" for one bringing `cbc` and `ctrLazy`.
std::string describeModeImplementations(const AnyBlockCipher& cipher);

/// The same for CMAC or key wrap: of the entry points `entries` (such as {"cmac", "cmacLazy"}),
/// those the key type brings are its own and the others kavrit's: "kavrit cmac/cmacLazy",
/// "own cmac, kavrit cmacLazy".
std::string describeConstructionImplementations(const AnyBlockCipher& cipher,
                                                std::span<const std::string_view> entries);

namespace detail {

// kavrit's generic modes over any AnyKey's encryptBlock and decryptBlock, compiled once in the
// library: a key type without a hook of its own gets these, so the modes are not compiled again
// for every key type. Mode names in errors are those of the entry points ("cbcLazy: input of ...").
ByteString genericEcb(const AnyKey& key, bool decrypt, std::size_t blockBytes,
                      const ByteString& in);
LazyByteString genericEcbLazy(const AnyKey& key, bool decrypt, std::size_t blockBytes,
                              const LazyByteString& in);
std::pair<ByteString, ByteString> genericChained(const AnyKey& key, ChainedMode mode,
                                                 std::size_t blockBytes, const ByteString& iv,
                                                 const ByteString& in);
std::pair<LazyByteString, ByteString> genericChainedLazy(const AnyKey& key, ChainedMode mode,
                                                         std::size_t blockBytes,
                                                         const ByteString& iv,
                                                         const LazyByteString& in);
// kavrit's generic CMAC and key wrap over any AnyKey, compiled once in the library. With
// `inverse`, the wrap runs over the inverse cipher (decryptBlock wraps, encryptBlock unwraps), as
// SP 800-38F allows.
ByteString genericCmac(const AnyKey& key, std::size_t blockBytes, const ByteString& message);
ByteString genericCmac(const AnyKey& key, std::size_t blockBytes, const LazyByteString& message);
ByteString genericKeyWrap(const AnyKey& key, KeyWrapKind kind, std::size_t blockBytes,
                          const ByteString& in, bool inverse = false);
std::optional<ByteString> genericKeyUnwrap(const AnyKey& key, KeyWrapKind kind,
                                           std::size_t blockBytes, const ByteString& in,
                                           bool inverse = false);
// kavrit's generic XTS over any two AnyKeys, compiled once in the library.
ByteString genericXts(const AnyKey& dataKey, const AnyKey& tweakKey, std::size_t blockBytes,
                      bool decrypt, const ByteString& tweak, const ByteString& data);
// kavrit's generic GCM over any AnyKey, compiled once in the library.
AeadSealed genericGcmEncrypt(const AnyKey& key, std::size_t blockBytes, const ByteString& iv,
                             const ByteString& aad, const ByteString& plaintext,
                             std::size_t tagBytes);
AeadSealed genericGcmEncrypt(const AnyKey& key, std::size_t blockBytes, const ByteString& iv,
                             const LazyByteString& aad, const LazyByteString& plaintext,
                             std::size_t tagBytes);
std::optional<ByteString> genericGcmDecrypt(const AnyKey& key, std::size_t blockBytes,
                                            const ByteString& iv, const ByteString& aad,
                                            const ByteString& ciphertext, const ByteString& tag);
std::optional<ByteString> genericGcmDecrypt(const AnyKey& key, std::size_t blockBytes,
                                            const ByteString& iv, const LazyByteString& aad,
                                            const LazyByteString& ciphertext,
                                            const ByteString& tag);
// kavrit's generic CCM over any AnyKey, compiled once in the library.
AeadSealed genericCcmEncrypt(const AnyKey& key, std::size_t blockBytes, const ByteString& nonce,
                             const ByteString& aad, const ByteString& plaintext,
                             std::size_t tagBytes);
std::optional<ByteString> genericCcmDecrypt(const AnyKey& key, std::size_t blockBytes,
                                            const ByteString& nonce, const ByteString& aad,
                                            const ByteString& ciphertext, const ByteString& tag);
// kavrit's generic CBC with PKCS#7 padding over any AnyKey, compiled once in the library. It pads
// and runs the key's `chained` CBC (or `chainedLazy` for a lazy text), so a key type's own cbc,
// cbcLazy, unCbc and unCbcLazy hooks are what it runs over.
ByteString genericCbcPad(const AnyKey& key, std::size_t blockBytes, const ByteString& iv,
                         const ByteString& plaintext);
ByteString genericCbcPad(const AnyKey& key, std::size_t blockBytes, const ByteString& iv,
                         const LazyByteString& plaintext);
std::optional<ByteString> genericUnCbcPad(const AnyKey& key, std::size_t blockBytes,
                                          const ByteString& iv, const ByteString& ciphertext);
std::optional<ByteString> genericUnCbcPad(const AnyKey& key, std::size_t blockBytes,
                                          const ByteString& iv, const LazyByteString& ciphertext);

// A key of type K. Each entry point calls the key type's own hook where it has one (see
// kavrit/modes.hpp) and the library's generic mode otherwise.
template <BlockCipher K>
class KeyModel final : public AnyKey {
 public:
  explicit KeyModel(K key) : key_(std::move(key)) {}

  ByteString encryptBlock(const ByteString& in) const override { return key_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const override { return key_.decryptBlock(in); }

#define KAVRIT_ECB_ENTRY(NAME, DATA, DECRYPT)                             \
  DATA NAME(const DATA& in) const override {                              \
    kavrit::detail::requireHookShape_##NAME<K>();                         \
    if constexpr (kavrit::detail::own_##NAME<K>) {                        \
      return key_.NAME(in);                                               \
    } else if constexpr (std::same_as<DATA, ByteString>) {                \
      return genericEcb(*this, DECRYPT, kavrit::blockBytes<K>(), in);     \
    } else {                                                              \
      return genericEcbLazy(*this, DECRYPT, kavrit::blockBytes<K>(), in); \
    }                                                                     \
  }
  KAVRIT_ECB_ENTRY(ecb, ByteString, false)
  KAVRIT_ECB_ENTRY(unEcb, ByteString, true)
  KAVRIT_ECB_ENTRY(ecbLazy, LazyByteString, false)
  KAVRIT_ECB_ENTRY(unEcbLazy, LazyByteString, true)
#undef KAVRIT_ECB_ENTRY

  std::pair<ByteString, ByteString> chained(ChainedMode mode, const ByteString& iv,
                                            const ByteString& in) const override {
    return apply<ByteString>(mode, iv, in);
  }
  std::pair<LazyByteString, ByteString> chainedLazy(ChainedMode mode, const ByteString& iv,
                                                    const LazyByteString& in) const override {
    return apply<LazyByteString>(mode, iv, in);
  }
#define KAVRIT_CMAC_ENTRY(NAME, DATA)                              \
  ByteString NAME(const DATA& message) const override {            \
    kavrit::detail::requireHookShape_##NAME<K>();                  \
    if constexpr (kavrit::detail::own_##NAME<K>) {                 \
      return key_.NAME(message);                                   \
    } else {                                                       \
      return genericCmac(*this, kavrit::blockBytes<K>(), message); \
    }                                                              \
  }
  KAVRIT_CMAC_ENTRY(cmac, ByteString)
  KAVRIT_CMAC_ENTRY(cmacLazy, LazyByteString)
#undef KAVRIT_CMAC_ENTRY

  // KW and KWP share one entry point per direction here; each kind calls its own hook.
#define KAVRIT_KEY_WRAP_ENTRY(NAME, RESULT, GENERIC)                   \
  RESULT NAME(KeyWrapKind kind, const ByteString& in) const override { \
    kavrit::detail::requireHookShape_##NAME<K>();                      \
    kavrit::detail::requireHookShape_##NAME##Pad<K>();                 \
    if constexpr (kavrit::detail::own_##NAME<K>) {                     \
      if (kind == KeyWrapKind::KW) return key_.NAME(in);               \
    }                                                                  \
    if constexpr (kavrit::detail::own_##NAME##Pad<K>) {                \
      if (kind == KeyWrapKind::KWP) return key_.NAME##Pad(in);         \
    }                                                                  \
    return GENERIC(*this, kind, kavrit::blockBytes<K>(), in);          \
  }
  KAVRIT_KEY_WRAP_ENTRY(keyWrap, ByteString, genericKeyWrap)
  KAVRIT_KEY_WRAP_ENTRY(keyUnwrap, std::optional<ByteString>, genericKeyUnwrap)
#undef KAVRIT_KEY_WRAP_ENTRY

  // The own hooks take the tweak key as a K: one of another key type is refused.
  ByteString xts(bool decrypt, const AnyKey& tweakKey, const ByteString& tweak,
                 const ByteString& data) const override {
    kavrit::detail::requireHookShape_xtsEncrypt<K>();
    kavrit::detail::requireHookShape_xtsDecrypt<K>();
    const char* name = decrypt ? "xtsDecrypt" : "xtsEncrypt";
    const auto other = [&tweakKey, name]() -> const K& {
      const auto* model = dynamic_cast<const KeyModel*>(&tweakKey);
      if (model == nullptr) {
        throw std::invalid_argument(std::string(name) + ": the tweak key is of another key type");
      }
      return model->key_;
    };
    if constexpr (kavrit::detail::own_xtsEncrypt<K>) {
      if (!decrypt) {
        kavrit::detail::requireXtsInput(name, kavrit::blockBytes<K>(), tweak, data);
        return key_.xtsEncrypt(other(), tweak, data);
      }
    }
    if constexpr (kavrit::detail::own_xtsDecrypt<K>) {
      if (decrypt) {
        kavrit::detail::requireXtsInput(name, kavrit::blockBytes<K>(), tweak, data);
        return key_.xtsDecrypt(other(), tweak, data);
      }
    }
    return genericXts(*this, tweakKey, kavrit::blockBytes<K>(), decrypt, tweak, data);
  }
#define KAVRIT_AEAD_ENTRY(NAME, RESULT, A2, A3, A4, GENERIC)                                 \
  RESULT NAME(const ByteString& iv, const A2& aad, const A3& text, A4 last) const override { \
    kavrit::detail::requireHookShape_##NAME<K>();                                            \
    if constexpr (kavrit::detail::own_##NAME<K>) {                                           \
      return key_.NAME(iv, aad, text, last);                                                 \
    } else {                                                                                 \
      return GENERIC(*this, kavrit::blockBytes<K>(), iv, aad, text, last);                   \
    }                                                                                        \
  }
  KAVRIT_AEAD_ENTRY(gcmEncrypt, AeadSealed, ByteString, ByteString, std::size_t, genericGcmEncrypt)
  KAVRIT_AEAD_ENTRY(gcmDecrypt, std::optional<ByteString>, ByteString, ByteString,
                    const ByteString&, genericGcmDecrypt)
  KAVRIT_AEAD_ENTRY(gcmEncryptLazy, AeadSealed, LazyByteString, LazyByteString, std::size_t,
                    genericGcmEncrypt)
  KAVRIT_AEAD_ENTRY(gcmDecryptLazy, std::optional<ByteString>, LazyByteString, LazyByteString,
                    const ByteString&, genericGcmDecrypt)
  KAVRIT_AEAD_ENTRY(ccmEncrypt, AeadSealed, ByteString, ByteString, std::size_t, genericCcmEncrypt)
  KAVRIT_AEAD_ENTRY(ccmDecrypt, std::optional<ByteString>, ByteString, ByteString,
                    const ByteString&, genericCcmDecrypt)
#undef KAVRIT_AEAD_ENTRY

#define KAVRIT_CBC_PAD_ENTRY(NAME, RESULT, DATA, GENERIC)            \
  RESULT NAME(const ByteString& iv, const DATA& in) const override { \
    kavrit::detail::requireHookShape_##NAME<K>();                    \
    if constexpr (kavrit::detail::own_##NAME<K>) {                   \
      return key_.NAME(kavrit::detail::ivFrom<K>(iv), in);           \
    } else {                                                         \
      return GENERIC(*this, kavrit::blockBytes<K>(), iv, in);        \
    }                                                                \
  }
  KAVRIT_CBC_PAD_ENTRY(cbcPad, ByteString, ByteString, genericCbcPad)
  KAVRIT_CBC_PAD_ENTRY(unCbcPad, std::optional<ByteString>, ByteString, genericUnCbcPad)
  KAVRIT_CBC_PAD_ENTRY(cbcPadLazy, ByteString, LazyByteString, genericCbcPad)
  KAVRIT_CBC_PAD_ENTRY(unCbcPadLazy, std::optional<ByteString>, LazyByteString, genericUnCbcPad)
#undef KAVRIT_CBC_PAD_ENTRY

  std::unique_ptr<const AnyKey> clone() const override {
    const K& original = key_;
    return std::make_unique<const KeyModel>(K(original));
  }

 private:
  template <class Data>
  std::pair<Data, ByteString> apply(ChainedMode mode, const ByteString& iv, const Data& in) const {
    constexpr bool lazy = std::same_as<Data, LazyByteString>;
    const auto generic = [&] {
      if constexpr (lazy) {
        return genericChainedLazy(*this, mode, kavrit::blockBytes<K>(), iv, in);
      } else {
        return genericChained(*this, mode, kavrit::blockBytes<K>(), iv, in);
      }
    };
    const auto own = [&](auto result) {
      return std::pair<Data, ByteString>(std::move(result.first), result.second.bytes());
    };
    switch (mode) {
#define KAVRIT_APPLY(MODE, NAME)                                      \
  case ChainedMode::MODE:                                             \
    kavrit::detail::requireHookShape_##NAME<K>();                     \
    kavrit::detail::requireHookShape_##NAME##Lazy<K>();               \
    if constexpr (lazy && kavrit::detail::own_##NAME##Lazy<K>) {      \
      return own(key_.NAME##Lazy(kavrit::detail::ivFrom<K>(iv), in)); \
    } else if constexpr (!lazy && kavrit::detail::own_##NAME<K>) {    \
      return own(key_.NAME(kavrit::detail::ivFrom<K>(iv), in));       \
    } else {                                                          \
      return generic();                                               \
    }
      KAVRIT_APPLY(CBC, cbc)
      KAVRIT_APPLY(UnCBC, unCbc)
      KAVRIT_APPLY(CFB, cfb)
      KAVRIT_APPLY(UnCFB, unCfb)
      KAVRIT_APPLY(OFB, ofb)
      KAVRIT_APPLY(UnOFB, unOfb)
      KAVRIT_APPLY(CTR, ctr)
      KAVRIT_APPLY(UnCTR, unCtr)
#undef KAVRIT_APPLY
    }
    throw std::logic_error("unknown chained mode");
  }

  K key_;
};

template <BlockCipher K>
class BlockCipherModel final : public AnyBlockCipher {
 public:
  long blockSize() const override { return static_cast<long>(K::blockSize()); }
  long keyLength() const override { return static_cast<long>(K::keyLength()); }
  bool acceptsKeyLength(long bits) const override { return blockCipherAcceptsKeyLength<K>(bits); }
  std::unique_ptr<const AnyKey> buildKey(const ByteString& bytes) const override {
    std::optional<K> key = K::buildKey(bytes);
    if (!key) return nullptr;
    return std::make_unique<const KeyModel<K>>(std::move(*key));
  }
  std::optional<ByteString> parseIV(const ByteString& bytes) const override {
    std::optional<IV<K>> iv = IV<K>::parse(bytes);
    if (!iv) return std::nullopt;
    return iv->bytes();
  }
  std::vector<std::string_view> ownHooks() const override { return ownModeHooks<K>(); }
  std::vector<std::string_view> ownConstructionHooks() const override {
    std::vector<std::string_view> own = ownCMACHooks<K>();
    for (std::string_view hook : ownKeyWrapHooks<K>()) own.push_back(hook);
    for (std::string_view hook : ownXTSHooks<K>()) own.push_back(hook);
    for (std::string_view hook : ownGCMHooks<K>()) own.push_back(hook);
    for (std::string_view hook : ownCCMHooks<K>()) own.push_back(hook);
    for (std::string_view hook : ownCbcPadHooks<K>()) own.push_back(hook);
    return own;
  }
};

}  // namespace detail

/// The block cipher of key type K, made once per type.
template <BlockCipher K>
const AnyBlockCipher& anyBlockCipher() {
  static const detail::BlockCipherModel<K> model;
  return model;
}

}  // namespace kavrit::test
