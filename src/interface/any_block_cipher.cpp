#include "kavrit/test/any_block_cipher.hpp"

#include <algorithm>
#include <stdexcept>

#include "hook_description.hpp"

namespace kavrit::test {

std::string_view chainedModeName(ChainedMode mode) {
  switch (mode) {
    case ChainedMode::CBC:
      return "cbc";
    case ChainedMode::UnCBC:
      return "unCbc";
    case ChainedMode::CFB:
      return "cfb";
    case ChainedMode::UnCFB:
      return "unCfb";
    case ChainedMode::OFB:
      return "ofb";
    case ChainedMode::UnOFB:
      return "unOfb";
    case ChainedMode::CTR:
      return "ctr";
    case ChainedMode::UnCTR:
      return "unCtr";
  }
  throw std::logic_error("unknown chained mode");
}

std::size_t AnyBlockCipher::blockBytes() const { return blockBytesOf(blockSize()); }

using detail::ownAndKavrit;

std::string describeModeImplementations(const AnyBlockCipher& cipher) {
  const std::vector<std::string_view> own = cipher.ownHooks();
  const auto brings = [&own](std::string_view hook) {
    return std::find(own.begin(), own.end(), hook) != own.end();
  };
  // A mode is listed as the key type's own with the entry points it brings; the rest of that
  // mode's entry points are still kavrit's, and the text says so.
  std::string ownText;
  std::string kavritText;
  const auto add = [](std::string& text, std::string_view item) {
    if (!text.empty()) text += '/';
    text += item;
  };
  for (const std::string_view mode : {"ecb", "cbc", "cfb", "ofb", "ctr"}) {
    std::string inverse = "un" + std::string(mode);
    inverse[2] = static_cast<char>(inverse[2] - 'a' + 'A');
    const std::string entries[] = {std::string(mode), std::string(mode) + "Lazy", inverse,
                                   inverse + "Lazy"};
    std::string brought;
    std::size_t count = 0;
    for (const std::string& entry : entries) {
      if (brings(entry)) {
        add(brought, entry);
        ++count;
      }
    }
    if (count == 0) {
      add(kavritText, mode);
    } else {
      add(ownText, count == 4 ? std::string(mode) : brought);
      if (count < 4) add(kavritText, std::string(mode) + " (rest)");
    }
  }
  return ownAndKavrit(ownText, kavritText);
}

std::string describeConstructionImplementations(const AnyBlockCipher& cipher,
                                                std::span<const std::string_view> entries) {
  return detail::describeHooks(cipher.ownConstructionHooks(), entries);
}

}  // namespace kavrit::test

namespace kavrit::test::detail {
namespace {

using kavrit::detail::runLazy;
using kavrit::detail::runStrict;

// The generic step of a chained mode, started from `iv`; `run` gets the step and returns the
// output, after which the step's state is the next IV.
template <class Run>
auto withChainedStep(const AnyKey& key, ChainedMode mode, const ByteString& iv, Run&& run) {
  using namespace kavrit::detail;
  const auto finish = [&run](auto step) {
    auto out = run(step);
    return std::pair(std::move(out), std::move(step.state));
  };
  switch (mode) {
    case ChainedMode::CBC:
      return finish(CbcEncryptStep<AnyKey>{key, iv});
    case ChainedMode::UnCBC:
      return finish(CbcDecryptStep<AnyKey>{key, iv});
    case ChainedMode::CFB:
      return finish(CfbEncryptStep<AnyKey>{key, iv});
    case ChainedMode::UnCFB:
      return finish(CfbDecryptStep<AnyKey>{key, iv});
    case ChainedMode::OFB:
    case ChainedMode::UnOFB:
      return finish(OfbStep<AnyKey>{key, iv});
    case ChainedMode::CTR:
    case ChainedMode::UnCTR:
      return finish(CtrStep<AnyKey>{key, iv});
  }
  throw std::logic_error("unknown chained mode");
}

}  // namespace

ByteString genericEcb(const AnyKey& key, bool decrypt, std::size_t blockBytes,
                      const ByteString& in) {
  if (decrypt) {
    kavrit::detail::EcbDecryptStep<AnyKey> step{key};
    return runStrict("unEcb", blockBytes, in, step);
  }
  kavrit::detail::EcbEncryptStep<AnyKey> step{key};
  return runStrict("ecb", blockBytes, in, step);
}

LazyByteString genericEcbLazy(const AnyKey& key, bool decrypt, std::size_t blockBytes,
                              const LazyByteString& in) {
  if (decrypt) {
    kavrit::detail::EcbDecryptStep<AnyKey> step{key};
    return runLazy("unEcbLazy", blockBytes, in, step);
  }
  kavrit::detail::EcbEncryptStep<AnyKey> step{key};
  return runLazy("ecbLazy", blockBytes, in, step);
}

std::pair<ByteString, ByteString> genericChained(const AnyKey& key, ChainedMode mode,
                                                 std::size_t blockBytes, const ByteString& iv,
                                                 const ByteString& in) {
  const std::string name(chainedModeName(mode));
  return withChainedStep(key, mode, iv,
                         [&](auto& step) { return runStrict(name.c_str(), blockBytes, in, step); });
}

std::pair<LazyByteString, ByteString> genericChainedLazy(const AnyKey& key, ChainedMode mode,
                                                         std::size_t blockBytes,
                                                         const ByteString& iv,
                                                         const LazyByteString& in) {
  const std::string name = std::string(chainedModeName(mode)) + "Lazy";
  return withChainedStep(key, mode, iv,
                         [&](auto& step) { return runLazy(name.c_str(), blockBytes, in, step); });
}

}  // namespace kavrit::test::detail

namespace kavrit::test::detail {
namespace {

// A key whose two directions are swapped: key wrap over the inverse cipher.
struct InverseCipher {
  const AnyKey& key;
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const { return key.decryptBlock(in); }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const { return key.encryptBlock(in); }
};

template <class Key>
ByteString wrapOver(const Key& key, KeyWrapKind kind, std::size_t blockBytes,
                    const ByteString& in) {
  if (kind == KeyWrapKind::KW) return kavrit::detail::keyWrapOver(key, blockBytes, in);
  return kavrit::detail::keyWrapPadOver(key, blockBytes, in);
}

template <class Key>
std::optional<ByteString> unwrapOver(const Key& key, KeyWrapKind kind, std::size_t blockBytes,
                                     const ByteString& in) {
  if (kind == KeyWrapKind::KW) return kavrit::detail::keyUnwrapOver(key, blockBytes, in);
  return kavrit::detail::keyUnwrapPadOver(key, blockBytes, in);
}

}  // namespace

ByteString genericCmac(const AnyKey& key, std::size_t blockBytes, const ByteString& message) {
  return kavrit::detail::cmacOver(key, blockBytes, message);
}

ByteString genericCmac(const AnyKey& key, std::size_t blockBytes, const LazyByteString& message) {
  return kavrit::detail::cmacOver(key, blockBytes, message);
}

ByteString genericKeyWrap(const AnyKey& key, KeyWrapKind kind, std::size_t blockBytes,
                          const ByteString& in, bool inverse) {
  if (inverse) return wrapOver(InverseCipher{key}, kind, blockBytes, in);
  return wrapOver(key, kind, blockBytes, in);
}

std::optional<ByteString> genericKeyUnwrap(const AnyKey& key, KeyWrapKind kind,
                                           std::size_t blockBytes, const ByteString& in,
                                           bool inverse) {
  if (inverse) return unwrapOver(InverseCipher{key}, kind, blockBytes, in);
  return unwrapOver(key, kind, blockBytes, in);
}

}  // namespace kavrit::test::detail

namespace kavrit::test::detail {

ByteString genericXts(const AnyKey& dataKey, const AnyKey& tweakKey, std::size_t blockBytes,
                      bool decrypt, const ByteString& tweak, const ByteString& data) {
  return kavrit::detail::xtsOver(dataKey, tweakKey, blockBytes, decrypt, tweak, data);
}

AeadSealed genericGcmEncrypt(const AnyKey& key, std::size_t blockBytes, const ByteString& iv,
                             const ByteString& aad, const ByteString& plaintext,
                             std::size_t tagBytes) {
  return kavrit::detail::gcmEncryptOver(key, blockBytes, iv, aad, plaintext, tagBytes);
}

AeadSealed genericGcmEncrypt(const AnyKey& key, std::size_t blockBytes, const ByteString& iv,
                             const LazyByteString& aad, const LazyByteString& plaintext,
                             std::size_t tagBytes) {
  return kavrit::detail::gcmEncryptOver(key, blockBytes, iv, aad, plaintext, tagBytes);
}

std::optional<ByteString> genericGcmDecrypt(const AnyKey& key, std::size_t blockBytes,
                                            const ByteString& iv, const ByteString& aad,
                                            const ByteString& ciphertext, const ByteString& tag) {
  return kavrit::detail::gcmDecryptOver(key, blockBytes, iv, aad, ciphertext, tag);
}

std::optional<ByteString> genericGcmDecrypt(const AnyKey& key, std::size_t blockBytes,
                                            const ByteString& iv, const LazyByteString& aad,
                                            const LazyByteString& ciphertext,
                                            const ByteString& tag) {
  return kavrit::detail::gcmDecryptOver(key, blockBytes, iv, aad, ciphertext, tag);
}

AeadSealed genericCcmEncrypt(const AnyKey& key, std::size_t blockBytes, const ByteString& nonce,
                             const ByteString& aad, const ByteString& plaintext,
                             std::size_t tagBytes) {
  return kavrit::detail::ccmEncryptOver(key, blockBytes, nonce, aad, plaintext, tagBytes);
}

std::optional<ByteString> genericCcmDecrypt(const AnyKey& key, std::size_t blockBytes,
                                            const ByteString& nonce, const ByteString& aad,
                                            const ByteString& ciphertext, const ByteString& tag) {
  return kavrit::detail::ccmDecryptOver(key, blockBytes, nonce, aad, ciphertext, tag);
}

}  // namespace kavrit::test::detail

namespace kavrit::test::detail {

ByteString genericCbcPad(const AnyKey& key, std::size_t blockBytes, const ByteString& iv,
                         const ByteString& plaintext) {
  return kavrit::detail::cbcPadOver("cbcPad", blockBytes, plaintext, [&](const ByteString& in) {
    return key.chained(ChainedMode::CBC, iv, in).first;
  });
}

ByteString genericCbcPad(const AnyKey& key, std::size_t blockBytes, const ByteString& iv,
                         const LazyByteString& plaintext) {
  return kavrit::detail::cbcPadOver(
      "cbcPadLazy", blockBytes, plaintext,
      [&](const LazyByteString& in) { return key.chainedLazy(ChainedMode::CBC, iv, in).first; });
}

std::optional<ByteString> genericUnCbcPad(const AnyKey& key, std::size_t blockBytes,
                                          const ByteString& iv, const ByteString& ciphertext) {
  return kavrit::detail::unCbcPadOver(
      "unCbcPad", blockBytes, ciphertext,
      [&](const ByteString& in) { return key.chained(ChainedMode::UnCBC, iv, in).first; });
}

std::optional<ByteString> genericUnCbcPad(const AnyKey& key, std::size_t blockBytes,
                                          const ByteString& iv, const LazyByteString& ciphertext) {
  return kavrit::detail::unCbcPadOver(
      "unCbcPadLazy", blockBytes, ciphertext,
      [&](const LazyByteString& in) { return key.chainedLazy(ChainedMode::UnCBC, iv, in).first; });
}

}  // namespace kavrit::test::detail
