// The Wycheproof builders over an AEAD key type: which file each reads, which groups a type takes,
// the entry points a test tries, and the tests outside what the type declares it takes.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/wycheproof_aead.hpp"
#include "suites/wycheproof_vectors.hpp"

namespace kavrit::test {
namespace {

using detail::WycheproofAttempt;
using detail::WycheproofVector;
using Kind = WycheproofAttempt::Kind;

constexpr std::string_view kAeadSchema = "aead_test_schema_v1.json";
constexpr std::string_view kDaeadSchema = "daead_test_schema_v1.json";

std::atomic<std::size_t> outsideDeclaration{0};

ByteString joined(ByteString a, const ByteString& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::unique_ptr<const AnyAeadKey> wycheproofAeadKey(const AnyAead& aead, const ByteString& key) {
  try {
    return aead.buildKey(key);
  } catch (const std::invalid_argument&) {
    return nullptr;
  }
}

// What the type declares it does not take in a test, or nothing when it takes all of it.
struct Undeclared {
  bool nonce = false;
  std::string what;
};

std::optional<Undeclared> undeclared(const AnyAead& aead, const ByteString& nonce,
                                     const ByteString& tag) {
  const long nonceBits = static_cast<long>(nonce.size() * 8);
  if (!aead.acceptsNonceLength(nonceBits)) {
    return Undeclared{
        true, "a " + std::to_string(nonceBits) + "-bit nonce, which acceptsNonceLength refuses"};
  }
  const long tagBits = static_cast<long>(tag.size() * 8);
  if (tagBits != aead.tagLength()) {
    return Undeclared{false, "a " + std::to_string(tagBits) + "-bit tag, where tagLength() is " +
                                 std::to_string(aead.tagLength())};
  }
  return std::nullopt;
}

// The refusal a type declares for a nonce or tag it does not take: open and openLazy refuse, and
// for a nonce, seal and sealLazy throw std::invalid_argument.
void checkDeclaredRefusal(const WycheproofVector& v, const AnyAeadKey& key,
                          const Undeclared& outside, const ByteString& nonce,
                          const ByteString& ciphertext, const ByteString& tag) {
  const ByteString& aad = v.bytes("aad");
  const ByteString& msg = v.bytes("msg");
  const std::string why = " (" + outside.what + ")";
  const auto mustRefuse = [&](std::string_view entry, const auto& run) {
    try {
      if (const std::optional<ByteString> opened = run()) {
        v.fail(std::string(entry) + " opened " + std::to_string(opened->size()) +
               " bytes of a test with " + outside.what +
               "; the type declares it does not take it, so it must refuse");
      }
    } catch (const std::invalid_argument&) {
    } catch (const AssertionFailure&) {
      throw;
    } catch (const std::exception& error) {
      v.fail(std::string(entry) + " threw " + error.what() + why +
             "; a refusal is an empty result or std::invalid_argument");
    }
  };
  mustRefuse("open", [&] { return key.open(nonce, aad, ciphertext, tag); });
  mustRefuse("openLazy", [&] {
    return key.openLazy(nonce, detail::wycheproofChunks(aad), detail::wycheproofChunks(ciphertext),
                        tag);
  });
  if (outside.nonce) {
    const auto mustThrow = [&](std::string_view entry, const auto& run) {
      try {
        const AeadSealed sealed = run();
        v.fail(std::string(entry) + " gave " +
               std::to_string(sealed.ciphertext.size() + sealed.tag.size()) +
               " bytes for a test with " + outside.what +
               "; the type declares it does not take it, so it must throw std::invalid_argument");
      } catch (const std::invalid_argument&) {
      } catch (const AssertionFailure&) {
        throw;
      } catch (const std::exception& error) {
        v.fail(std::string(entry) + " threw " + error.what() + why +
               " where std::invalid_argument belongs");
      }
    };
    mustThrow("seal", [&] { return key.seal(nonce, aad, msg); });
    mustThrow("sealLazy", [&] {
      return key.sealLazy(nonce, detail::wycheproofChunks(aad), detail::wycheproofChunks(msg));
    });
  }
  if (v.test().result == detail::WycheproofResult::Valid) {
    outsideDeclaration.fetch_add(1);
    recordNote(v.name() + ": valid test outside the type's declaration (" + outside.what +
               "): the declared refusal checked");
  }
}

void runTest(const AnyAead& aead, const WycheproofVector& v) {
  const ByteString& keyBytes = v.bytes("key");
  const std::unique_ptr<const AnyAeadKey> key = wycheproofAeadKey(aead, keyBytes);
  if (!key) {
    detail::checkWycheproofRefusedEarly(
        v, "buildKey refused the " + std::to_string(keyBytes.size()) + "-byte key");
    return;
  }
  const ByteString& aad = v.bytes("aad");
  const ByteString& msg = v.bytes("msg");
  ByteString nonce;
  ByteString ciphertext;
  ByteString tag;
  if (aead.deterministic()) {
    // The daead schema's ct is the synthetic IV, the tag, followed by the ciphertext.
    const ByteString& ct = v.bytes("ct");
    const std::size_t tagBytes =
        std::min(ct.size(), static_cast<std::size_t>(std::max(aead.tagLength(), 0L) / 8));
    tag.assign(ct.begin(), ct.begin() + static_cast<std::ptrdiff_t>(tagBytes));
    ciphertext.assign(ct.begin() + static_cast<std::ptrdiff_t>(tagBytes), ct.end());
  } else {
    nonce = v.bytes("iv");
    ciphertext = v.bytes("ct");
    tag = v.bytes("tag");
  }
  if (const std::optional<Undeclared> outside = undeclared(aead, nonce, tag)) {
    checkDeclaredRefusal(v, *key, *outside, nonce, ciphertext, tag);
    return;
  }
  const ByteString sealed =
      joined(aead.deterministic() ? tag : ciphertext, aead.deterministic() ? ciphertext : tag);
  const char* sealedName = aead.deterministic() ? "the ct (the synthetic IV, then the ciphertext)"
                                                : "the ct followed by the tag";
  const auto wire = [&aead](const AeadSealed& s) {
    return aead.deterministic() ? joined(s.tag, s.ciphertext) : joined(s.ciphertext, s.tag);
  };
  const WycheproofAttempt attempts[] = {
      {Kind::Produces, "seal", [&] { return wire(key->seal(nonce, aad, msg)); }, sealed,
       sealedName},
      {Kind::Produces, "sealLazy",
       [&] {
         return wire(
             key->sealLazy(nonce, detail::wycheproofChunks(aad), detail::wycheproofChunks(msg)));
       },
       sealed, sealedName},
      {Kind::Opens, "open", [&] { return key->open(nonce, aad, ciphertext, tag); }, msg, "the msg"},
      {Kind::Opens, "openLazy",
       [&] {
         return key->openLazy(nonce, detail::wycheproofChunks(aad),
                              detail::wycheproofChunks(ciphertext), tag);
       },
       msg, "the msg"},
  };
  detail::checkWycheproofAttempts(v, attempts);
}

std::vector<Test> fileTests(const AnyAead& aead,
                            const std::shared_ptr<const detail::WycheproofFile>& file) {
  const bool daead = file->schema == kDaeadSchema;
  if (file->schema != kAeadSchema && !daead) {
    throw std::invalid_argument(file->path + ": schema \"" + file->schema + "\" with algorithm \"" +
                                file->algorithm +
                                "\" is not one the library runs over an AEAD; it runs aead and "
                                "daead files");
  }
  if (daead != aead.deterministic()) {
    throw std::invalid_argument(
        file->path + ": a file of the " + (daead ? "daead" : "aead") + " schema (" +
        file->algorithm + ") needs a " + (daead ? "deterministic" : "nonce-based") +
        " AEAD, and the key type is " + (daead ? "nonce-based" : "deterministic"));
  }
  const auto keyBits = static_cast<std::uint64_t>(std::max(aead.keyLength(), 0L));
  const bool anyOfKeyLength = std::any_of(
      file->groups.begin(), file->groups.end(),
      [&](const detail::WycheproofGroup& g) { return g.parameter("keySize") == keyBits; });
  return detail::wycheproofTests(
      file,
      [keyBits, anyOfKeyLength](const detail::WycheproofGroup& group) {
        return !anyOfKeyLength || group.parameter("keySize") == keyBits;
      },
      [&aead](const WycheproofVector& v) { runTest(aead, v); });
}

std::vector<Test> libraryTests(const AnyAead& aead, std::string_view name,
                               std::string_view schema) {
  const auto file = detail::libraryWycheproofFile(name);
  detail::requireWycheproofSchema(*file, schema);
  return fileTests(aead, file);
}

}  // namespace

std::vector<Test> makeWycheproofChaCha20Poly1305Tests(const AnyAead& aead) {
  return libraryTests(aead, "chacha20_poly1305_test.json", kAeadSchema);
}
std::vector<Test> makeWycheproofXChaCha20Poly1305Tests(const AnyAead& aead) {
  return libraryTests(aead, "xchacha20_poly1305_test.json", kAeadSchema);
}
std::vector<Test> makeWycheproofAESEAXTests(const AnyAead& aead) {
  return libraryTests(aead, "aes_eax_test.json", kAeadSchema);
}
std::vector<Test> makeWycheproofAESGCMSIVTests(const AnyAead& aead) {
  return libraryTests(aead, "aes_gcm_siv_test.json", kAeadSchema);
}
std::vector<Test> makeWycheproofAEADAESSIVTests(const AnyAead& aead) {
  return libraryTests(aead, "aead_aes_siv_cmac_test.json", kAeadSchema);
}
std::vector<Test> makeWycheproofAESSIVTests(const AnyAead& aead) {
  return libraryTests(aead, "aes_siv_cmac_test.json", kDaeadSchema);
}

std::vector<Test> makeWycheproofTests(const AnyAead& aead, const std::string& path) {
  return fileTests(aead, detail::loadWycheproofFile(path));
}

std::size_t wycheproofOutsideDeclarationCount() { return outsideDeclaration.load(); }

}  // namespace kavrit::test
