// The Wycheproof builders over a block cipher: which file a cipher and construction read, which of
// its groups a key type takes, and the entry points each construction's tests try.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/test/wycheproof.hpp"
#include "suites/wycheproof_vectors.hpp"

namespace kavrit::test {
namespace {

using detail::WycheproofAttempt;
using detail::WycheproofVector;
using Kind = WycheproofAttempt::Kind;

enum class Construction { GCM, GMAC, CCM, CMAC, KW, KWP, XTS, CBCPad };

std::string_view prefixOf(WycheproofCipher family) {
  switch (family) {
    case WycheproofCipher::AES:
      return "aes";
    case WycheproofCipher::Camellia:
      return "camellia";
    case WycheproofCipher::SEED:
      return "seed";
    case WycheproofCipher::SM4:
      return "sm4";
  }
  return "aes";
}

// The file each construction reads, and the families Wycheproof publishes it for.
struct ConstructionFile {
  Construction construction;
  std::string_view suffix;
  std::string_view schema;
  std::initializer_list<WycheproofCipher> families;
};

using enum WycheproofCipher;
const ConstructionFile kFiles[] = {
    {Construction::GCM, "_gcm_test.json", "aead_test_schema_v1.json", {AES, SEED, SM4}},
    {Construction::GMAC, "_gmac_test.json", "mac_with_iv_test_schema_v1.json", {AES}},
    {Construction::CCM, "_ccm_test.json", "aead_test_schema_v1.json", {AES, Camellia, SEED, SM4}},
    {Construction::CMAC, "_cmac_test.json", "mac_test_schema_v1.json", {AES, Camellia}},
    {Construction::KW, "_wrap_test.json", "keywrap_test_schema_v1.json", {AES, Camellia, SEED}},
    {Construction::KWP, "_kwp_test.json", "keywrap_test_schema_v1.json", {AES}},
    {Construction::XTS, "_xts_test.json", "ind_cpa_test_schema_v1.json", {AES}},
    {Construction::CBCPad, "_cbc_pkcs5_test.json", "ind_cpa_test_schema_v1.json", {AES, Camellia}},
};

const ConstructionFile& fileOf(Construction construction) {
  for (const ConstructionFile& file : kFiles) {
    if (file.construction == construction) return file;
  }
  throw std::logic_error("no Wycheproof file for a construction");
}

bool needs128BitBlocks(Construction construction) {
  return construction == Construction::GCM || construction == Construction::GMAC ||
         construction == Construction::CCM || construction == Construction::XTS;
}

ByteString joined(ByteString a, const ByteString& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

WycheproofAttempt produces(std::string entry, std::function<std::optional<ByteString>()> run,
                           ByteString expected, std::string expectedName) {
  return WycheproofAttempt{Kind::Produces, std::move(entry), std::move(run), std::move(expected),
                           std::move(expectedName)};
}

WycheproofAttempt opens(std::string entry, std::function<std::optional<ByteString>()> run,
                        ByteString expected, std::string expectedName) {
  return WycheproofAttempt{Kind::Opens, std::move(entry), std::move(run), std::move(expected),
                           std::move(expectedName)};
}

// The attempts' closures run while `v` and `key` live; values computed here are captured by copy.
std::vector<WycheproofAttempt> aeadAttempts(const WycheproofVector& v, const AnyKey& key,
                                            bool gcm) {
  const ByteString& iv = v.bytes("iv");
  const ByteString& aad = v.bytes("aad");
  const ByteString& msg = v.bytes("msg");
  const ByteString& ct = v.bytes("ct");
  const ByteString& tag = v.bytes("tag");
  const std::size_t tagBytes = static_cast<std::size_t>(v.parameter("tagSize", tag.size() * 8) / 8);
  const ByteString sealed = joined(ct, tag);
  const auto seal = [](const AeadSealed& s) { return joined(s.ciphertext, s.tag); };
  std::vector<WycheproofAttempt> attempts;
  if (gcm) {
    attempts.push_back(produces(
        "gcmEncrypt", [&, tagBytes] { return seal(key.gcmEncrypt(iv, aad, msg, tagBytes)); },
        sealed, "the ct followed by the tag"));
    attempts.push_back(produces(
        "gcmEncryptLazy",
        [&, tagBytes] {
          return seal(key.gcmEncryptLazy(iv, detail::wycheproofChunks(aad),
                                         detail::wycheproofChunks(msg), tagBytes));
        },
        sealed, "the ct followed by the tag"));
    attempts.push_back(opens(
        "gcmDecrypt", [&] { return key.gcmDecrypt(iv, aad, ct, tag); }, msg, "the msg"));
    attempts.push_back(opens(
        "gcmDecryptLazy",
        [&] {
          return key.gcmDecryptLazy(iv, detail::wycheproofChunks(aad), detail::wycheproofChunks(ct),
                                    tag);
        },
        msg, "the msg"));
  } else {
    attempts.push_back(produces(
        "ccmEncrypt", [&, tagBytes] { return seal(key.ccmEncrypt(iv, aad, msg, tagBytes)); },
        sealed, "the ct followed by the tag"));
    attempts.push_back(opens(
        "ccmDecrypt", [&] { return key.ccmDecrypt(iv, aad, ct, tag); }, msg, "the msg"));
  }
  return attempts;
}

std::vector<WycheproofAttempt> gmacAttempts(const WycheproofVector& v, const AnyKey& key) {
  const ByteString& iv = v.bytes("iv");
  const ByteString& msg = v.bytes("msg");
  const ByteString& tag = v.bytes("tag");
  const std::size_t tagBytes = static_cast<std::size_t>(v.parameter("tagSize", tag.size() * 8) / 8);
  return {
      produces(
          "gcmEncrypt", [&, tagBytes] { return key.gcmEncrypt(iv, msg, {}, tagBytes).tag; }, tag,
          "the tag"),
      produces(
          "gcmEncryptLazy",
          [&, tagBytes] {
            return key.gcmEncryptLazy(iv, detail::wycheproofChunks(msg), LazyByteString(), tagBytes)
                .tag;
          },
          tag, "the tag"),
      opens(
          "gcmDecrypt", [&] { return key.gcmDecrypt(iv, msg, {}, tag); }, {}, "the empty text"),
      opens(
          "gcmDecryptLazy",
          [&] {
            return key.gcmDecryptLazy(iv, detail::wycheproofChunks(msg), LazyByteString(), tag);
          },
          {}, "the empty text"),
  };
}

std::vector<WycheproofAttempt> cmacAttempts(const WycheproofVector& v, const AnyKey& key) {
  const ByteString& msg = v.bytes("msg");
  const ByteString& tag = v.bytes("tag");
  const std::uint64_t tagBits = v.parameter("tagSize", tag.size() * 8);
  return {
      produces(
          "cmac", [&, tagBits] { return detail::wycheproofTag(key.cmac(msg), tagBits); }, tag,
          "the tag"),
      produces(
          "cmacLazy",
          [&, tagBits] {
            return detail::wycheproofTag(key.cmacLazy(detail::wycheproofChunks(msg)), tagBits);
          },
          tag, "the tag"),
  };
}

std::vector<WycheproofAttempt> keyWrapAttempts(const WycheproofVector& v, const AnyKey& key,
                                               KeyWrapKind kind) {
  const ByteString& msg = v.bytes("msg");
  const ByteString& ct = v.bytes("ct");
  const bool kw = kind == KeyWrapKind::KW;
  return {
      produces(
          kw ? "keyWrap" : "keyWrapPad", [&, kind] { return key.keyWrap(kind, msg); }, ct,
          "the ct"),
      opens(
          kw ? "keyUnwrap" : "keyUnwrapPad", [&, kind] { return key.keyUnwrap(kind, ct); }, msg,
          "the msg"),
  };
}

std::vector<WycheproofAttempt> cbcPadAttempts(const WycheproofVector& v, const AnyKey& key,
                                              const ByteString& iv) {
  const ByteString& msg = v.bytes("msg");
  const ByteString& ct = v.bytes("ct");
  return {
      produces(
          "cbcPad", [&] { return key.cbcPad(iv, msg); }, ct, "the ct"),
      produces(
          "cbcPadLazy", [&] { return key.cbcPadLazy(iv, detail::wycheproofChunks(msg)); }, ct,
          "the ct"),
      opens(
          "unCbcPad", [&] { return key.unCbcPad(iv, ct); }, msg, "the msg"),
      opens(
          "unCbcPadLazy", [&] { return key.unCbcPadLazy(iv, detail::wycheproofChunks(ct)); }, msg,
          "the msg"),
  };
}

std::string keyRefusal(const ByteString& key) {
  return "buildKey refused the " + std::to_string(key.size()) + "-byte key";
}

// The body of one construction's tests. `keyBits` is the key type's key length; a test of another
// key length is one whose group a key type only takes to see that key refused.
void runConstruction(Construction construction, const AnyBlockCipher& cipher,
                     const WycheproofVector& v) {
  const ByteString& keyBytes = v.bytes("key");
  const std::size_t keyBytesOfType = static_cast<std::size_t>(cipher.keyLength() / 8);
  const bool xts = construction == Construction::XTS;
  if (keyBytes.size() != keyBytesOfType * (xts ? 2 : 1)) {
    // A group of a key length no valid test uses: only buildKey is asked.
    if (const std::unique_ptr<const AnyKey> key = detail::wycheproofKey(cipher, keyBytes)) {
      v.fail("buildKey accepted a " + std::to_string(keyBytes.size()) +
             "-byte key, which a key type of " + std::to_string(cipher.keyLength()) +
             "-bit keys must refuse");
    }
    detail::checkWycheproofRefusedEarly(v, keyRefusal(keyBytes));
    return;
  }
  if (xts) {
    const ByteString dataKeyBytes(keyBytes.begin(),
                                  keyBytes.begin() + static_cast<std::ptrdiff_t>(keyBytesOfType));
    const ByteString tweakKeyBytes(keyBytes.begin() + static_cast<std::ptrdiff_t>(keyBytesOfType),
                                   keyBytes.end());
    const std::unique_ptr<const AnyKey> dataKey = detail::wycheproofKey(cipher, dataKeyBytes);
    const std::unique_ptr<const AnyKey> tweakKey = detail::wycheproofKey(cipher, tweakKeyBytes);
    if (!dataKey || !tweakKey) {
      detail::checkWycheproofRefusedEarly(v, keyRefusal(dataKey ? tweakKeyBytes : dataKeyBytes));
      return;
    }
    // Wycheproof's shorter IVs are the first bytes of a little-endian data unit number.
    ByteString tweak = v.bytes("iv");
    if (tweak.size() < 16) tweak.resize(16, 0);
    const ByteString& msg = v.bytes("msg");
    const ByteString& ct = v.bytes("ct");
    const WycheproofAttempt attempts[] = {
        produces(
            "xtsEncrypt", [&] { return dataKey->xts(false, *tweakKey, tweak, msg); }, ct, "the ct"),
        opens(
            "xtsDecrypt", [&] { return dataKey->xts(true, *tweakKey, tweak, ct); }, msg, "the msg"),
    };
    detail::checkWycheproofAttempts(v, attempts);
    return;
  }
  const std::unique_ptr<const AnyKey> key = detail::wycheproofKey(cipher, keyBytes);
  if (!key) {
    detail::checkWycheproofRefusedEarly(v, keyRefusal(keyBytes));
    return;
  }
  std::vector<WycheproofAttempt> attempts;
  switch (construction) {
    case Construction::GCM:
    case Construction::CCM:
      attempts = aeadAttempts(v, *key, construction == Construction::GCM);
      break;
    case Construction::GMAC:
      attempts = gmacAttempts(v, *key);
      break;
    case Construction::CMAC:
      attempts = cmacAttempts(v, *key);
      break;
    case Construction::KW:
    case Construction::KWP:
      attempts = keyWrapAttempts(
          v, *key, construction == Construction::KW ? KeyWrapKind::KW : KeyWrapKind::KWP);
      break;
    case Construction::CBCPad: {
      const std::optional<ByteString> iv = cipher.parseIV(v.bytes("iv"));
      if (!iv) {
        detail::checkWycheproofRefusedEarly(v, "IV::parse refused the iv");
        return;
      }
      // Checked here: the attempts refer to `iv`, which ends with this block.
      attempts = cbcPadAttempts(v, *key, *iv);
      detail::checkWycheproofAttempts(v, attempts);
      return;
    }
    case Construction::XTS:
      break;
  }
  detail::checkWycheproofAttempts(v, attempts);
}

// The tests of a loaded file for `construction`: the groups of the key type's key length (twice
// it for XTS), and those of a key length that no valid or acceptable test of the file uses.
std::vector<Test> constructionTests(Construction construction, const AnyBlockCipher& cipher,
                                    const std::shared_ptr<const detail::WycheproofFile>& file) {
  if (needs128BitBlocks(construction) && cipher.blockSize() != 128) return {};
  std::set<std::uint64_t> usedKeySizes;
  for (const detail::WycheproofGroup& group : file->groups) {
    for (const detail::WycheproofCase& test : group.tests) {
      if (test.result != detail::WycheproofResult::Invalid) {
        usedKeySizes.insert(group.parameter("keySize").value_or(0));
      }
    }
  }
  const std::uint64_t keyBits =
      static_cast<std::uint64_t>(cipher.keyLength()) * (construction == Construction::XTS ? 2 : 1);
  return detail::wycheproofTests(
      file,
      [keyBits, usedKeySizes](const detail::WycheproofGroup& group) {
        const std::uint64_t size = group.parameter("keySize").value_or(0);
        return size == keyBits || !usedKeySizes.contains(size);
      },
      [construction, &cipher](const WycheproofVector& v) {
        runConstruction(construction, cipher, v);
      });
}

std::vector<Test> libraryTests(Construction construction, const AnyBlockCipher& cipher,
                               WycheproofCipher family) {
  const ConstructionFile& entry = fileOf(construction);
  bool published = false;
  for (WycheproofCipher one : entry.families) published = published || one == family;
  if (!published) return {};
  if (needs128BitBlocks(construction) && cipher.blockSize() != 128) return {};
  const auto file =
      detail::libraryWycheproofFile(std::string(prefixOf(family)) + std::string(entry.suffix));
  detail::requireWycheproofSchema(*file, entry.schema);
  return constructionTests(construction, cipher, file);
}

// The construction a user's file holds, by its schema and the end of its algorithm's name.
std::optional<Construction> constructionOf(const detail::WycheproofFile& file) {
  const std::string_view schema = file.schema;
  const std::string_view algorithm = file.algorithm;
  if (schema == "aead_test_schema_v1.json") {
    if (algorithm.ends_with("-GCM")) return Construction::GCM;
    if (algorithm.ends_with("-CCM")) return Construction::CCM;
  } else if (schema == "mac_with_iv_test_schema_v1.json") {
    if (algorithm.ends_with("-GMAC")) return Construction::GMAC;
  } else if (schema == "mac_test_schema_v1.json") {
    if (algorithm.ends_with("-CMAC")) return Construction::CMAC;
  } else if (schema == "keywrap_test_schema_v1.json") {
    if (algorithm.ends_with("-WRAP")) return Construction::KW;
    if (algorithm.ends_with("-KWP")) return Construction::KWP;
  } else if (schema == "ind_cpa_test_schema_v1.json") {
    if (algorithm.ends_with("-CBC-PKCS5")) return Construction::CBCPad;
    if (algorithm.ends_with("-XTS")) return Construction::XTS;
  }
  return std::nullopt;
}

}  // namespace

std::vector<Test> makeWycheproofGCMTests(const AnyBlockCipher& cipher, WycheproofCipher family) {
  return libraryTests(Construction::GCM, cipher, family);
}
std::vector<Test> makeWycheproofGMACTests(const AnyBlockCipher& cipher, WycheproofCipher family) {
  return libraryTests(Construction::GMAC, cipher, family);
}
std::vector<Test> makeWycheproofCCMTests(const AnyBlockCipher& cipher, WycheproofCipher family) {
  return libraryTests(Construction::CCM, cipher, family);
}
std::vector<Test> makeWycheproofCMACTests(const AnyBlockCipher& cipher, WycheproofCipher family) {
  return libraryTests(Construction::CMAC, cipher, family);
}
std::vector<Test> makeWycheproofKeyWrapTests(const AnyBlockCipher& cipher,
                                             WycheproofCipher family) {
  return libraryTests(Construction::KW, cipher, family);
}
std::vector<Test> makeWycheproofKeyWrapPadTests(const AnyBlockCipher& cipher,
                                                WycheproofCipher family) {
  return libraryTests(Construction::KWP, cipher, family);
}
std::vector<Test> makeWycheproofXTSTests(const AnyBlockCipher& cipher, WycheproofCipher family) {
  return libraryTests(Construction::XTS, cipher, family);
}
std::vector<Test> makeWycheproofCBCPadTests(const AnyBlockCipher& cipher, WycheproofCipher family) {
  return libraryTests(Construction::CBCPad, cipher, family);
}

std::vector<Test> makeWycheproofBlockCipherTests(const AnyBlockCipher& cipher,
                                                 WycheproofCipher family) {
  std::vector<Test> all;
  for (const ConstructionFile& entry : kFiles) {
    for (Test& test : libraryTests(entry.construction, cipher, family)) {
      all.push_back(std::move(test));
    }
  }
  return all;
}

std::vector<Test> makeWycheproofTests(const AnyBlockCipher& cipher, const std::string& path) {
  const auto file = detail::loadWycheproofFile(path);
  const std::optional<Construction> construction = constructionOf(*file);
  if (!construction) {
    throw std::invalid_argument(
        path + ": schema \"" + file->schema + "\" with algorithm \"" + file->algorithm +
        "\" is not one the library runs over a block cipher; it runs aead (…-GCM, …-CCM), "
        "mac_with_iv (…-GMAC), mac (…-CMAC), keywrap (…-WRAP, …-KWP) and ind_cpa (…-CBC-PKCS5, "
        "…-XTS)");
  }
  return constructionTests(*construction, cipher, file);
}

}  // namespace kavrit::test
