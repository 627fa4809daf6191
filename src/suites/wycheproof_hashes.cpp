// The Wycheproof builders over a hash: HMAC, HKDF and PBKDF2, each file chosen by the digest
// type's output and block lengths.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/test/pbkdf2.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "suites/wycheproof_vectors.hpp"

namespace kavrit::test {
namespace {

using detail::WycheproofAttempt;
using detail::WycheproofVector;
using Kind = WycheproofAttempt::Kind;

enum class Construction { HMAC, HKDF, PBKDF2 };

// The name Wycheproof's files give each hash, by output and block length in bits: the block
// length tells SHA-256 from SHA3-256 and SHA-512/256.
struct HashName {
  long outputBits;
  long blockBits;
  std::string_view name;
};
constexpr HashName kHashes[] = {
    {160, 512, "sha1"},        {224, 512, "sha224"},    {256, 512, "sha256"},
    {384, 1024, "sha384"},     {512, 1024, "sha512"},   {224, 1024, "sha512_224"},
    {256, 1024, "sha512_256"}, {224, 1152, "sha3_224"}, {256, 1088, "sha3_256"},
    {384, 832, "sha3_384"},    {512, 576, "sha3_512"},
};

std::optional<std::string_view> hashNameOf(const AnyHash& hash) {
  for (const HashName& entry : kHashes) {
    if (entry.outputBits == hash.outputLength() && entry.blockBits == hash.blockLength()) {
      return entry.name;
    }
  }
  return std::nullopt;
}

// The file of `construction` for `hash`, or nothing where Wycheproof publishes none.
std::optional<std::string> fileNameOf(Construction construction, std::string_view hash) {
  switch (construction) {
    case Construction::HMAC:
      return "hmac_" + std::string(hash) + "_test.json";
    case Construction::HKDF:
      if (hash == "sha1" || hash == "sha256" || hash == "sha384" || hash == "sha512") {
        return "hkdf_" + std::string(hash) + "_test.json";
      }
      return std::nullopt;
    case Construction::PBKDF2:
      if (hash == "sha1" || hash == "sha224" || hash == "sha256" || hash == "sha384" ||
          hash == "sha512") {
        return "pbkdf2_hmac" + std::string(hash) + "_test.json";
      }
      return std::nullopt;
  }
  return std::nullopt;
}

std::string_view schemaOf(Construction construction) {
  switch (construction) {
    case Construction::HMAC:
      return "mac_test_schema_v1.json";
    case Construction::HKDF:
      return "hkdf_test_schema_v1.json";
    case Construction::PBKDF2:
      return "pbkdf_test_schema.json";
  }
  return "";
}

void runConstruction(Construction construction, const AnyHash& hash, const WycheproofVector& v) {
  switch (construction) {
    case Construction::HMAC: {
      const ByteString& key = v.bytes("key");
      const ByteString& msg = v.bytes("msg");
      const ByteString& tag = v.bytes("tag");
      const std::uint64_t tagBits = v.parameter("tagSize", tag.size() * 8);
      const WycheproofAttempt attempts[] = {
          {Kind::Produces, "hmacStrict",
           [&] { return detail::wycheproofTag(hash.hmacStrict(key, msg).serialize(), tagBits); },
           tag, "the tag"},
          {Kind::Produces, "hmac",
           [&] {
             return detail::wycheproofTag(hash.hmac(key, detail::wycheproofChunks(msg)).serialize(),
                                          tagBits);
           },
           tag, "the tag"},
      };
      detail::checkWycheproofAttempts(v, attempts);
      return;
    }
    case Construction::HKDF: {
      const ByteString& ikm = v.bytes("ikm");
      const ByteString& salt = v.bytes("salt");
      const ByteString& info = v.bytes("info");
      const std::size_t size = static_cast<std::size_t>(v.number("size"));
      const ByteString& okm = v.bytes("okm");
      const WycheproofAttempt attempts[] = {
          {Kind::Derives, "hkdf", [&] { return hash.hkdf(salt, ikm, info, size); }, okm, "the okm"},
          {Kind::Derives, "hkdfExpand of hkdfExtract",
           [&] { return hash.hkdfExpand(hash.hkdfExtract(salt, ikm), info, size); }, okm,
           "the okm"},
      };
      detail::checkWycheproofAttempts(v, attempts);
      return;
    }
    case Construction::PBKDF2: {
      const ByteString& password = v.bytes("password");
      const ByteString& salt = v.bytes("salt");
      const std::uint64_t iterations = v.number("iterationCount");
      const std::size_t length = static_cast<std::size_t>(v.number("dkLen"));
      const WycheproofAttempt attempts[] = {
          {Kind::Derives, "pbkdf2", [&] { return hash.pbkdf2(password, salt, iterations, length); },
           v.bytes("dk"), "the dk"},
      };
      detail::checkWycheproofAttempts(v, attempts);
      return;
    }
  }
}

std::vector<Test> constructionTests(Construction construction, const AnyHash& hash,
                                    const std::shared_ptr<const detail::WycheproofFile>& file) {
  std::vector<Test> tests = detail::wycheproofTests(
      file, [](const detail::WycheproofGroup&) { return true; },
      [construction, &hash](const WycheproofVector& v) { runConstruction(construction, hash, v); });
  if (construction != Construction::PBKDF2) return tests;
  // Millions of iterations take seconds: those tests go last, in a group a runner can leave out.
  std::vector<Test> quick;
  std::vector<Test> slow;
  for (const detail::WycheproofGroup& group : file->groups) {
    for (const detail::WycheproofCase& test : group.tests) {
      const bool isSlow = test.number("iterationCount").value_or(0) >= kSlowPBKDF2Iterations;
      (isSlow ? slow : quick).push_back(std::move(tests[quick.size() + slow.size()]));
    }
  }
  if (!slow.empty()) quick.push_back(testGroup("Slow", std::move(slow)));
  return quick;
}

std::vector<Test> libraryTests(Construction construction, const AnyHash& hash) {
  const std::optional<std::string_view> name = hashNameOf(hash);
  if (!name) return {};
  const std::optional<std::string> fileName = fileNameOf(construction, *name);
  if (!fileName) return {};
  const auto file = detail::libraryWycheproofFile(*fileName);
  detail::requireWycheproofSchema(*file, schemaOf(construction));
  return constructionTests(construction, hash, file);
}

}  // namespace

std::vector<Test> makeWycheproofHMACTests(const AnyHash& hash) {
  return libraryTests(Construction::HMAC, hash);
}
std::vector<Test> makeWycheproofHKDFTests(const AnyHash& hash) {
  return libraryTests(Construction::HKDF, hash);
}
std::vector<Test> makeWycheproofPBKDF2Tests(const AnyHash& hash) {
  return libraryTests(Construction::PBKDF2, hash);
}

std::vector<Test> makeWycheproofHashTests(const AnyHash& hash) {
  std::vector<Test> all;
  for (Construction construction : {Construction::HMAC, Construction::HKDF, Construction::PBKDF2}) {
    for (Test& test : libraryTests(construction, hash)) all.push_back(std::move(test));
  }
  return all;
}

std::vector<Test> makeWycheproofTests(const AnyHash& hash, const std::string& path) {
  const auto file = detail::loadWycheproofFile(path);
  std::optional<Construction> construction;
  if (file->schema == "mac_test_schema_v1.json" && file->algorithm.starts_with("HMAC")) {
    construction = Construction::HMAC;
  } else if (file->schema == "hkdf_test_schema_v1.json") {
    construction = Construction::HKDF;
  } else if (file->schema == "pbkdf_test_schema.json") {
    construction = Construction::PBKDF2;
  }
  if (!construction) {
    throw std::invalid_argument(path + ": schema \"" + file->schema + "\" with algorithm \"" +
                                file->algorithm +
                                "\" is not one the library runs over a hash; it runs mac "
                                "(HMAC…), hkdf and pbkdf");
  }
  return constructionTests(*construction, hash, file);
}

}  // namespace kavrit::test
