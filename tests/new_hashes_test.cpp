// BLAKE2b-512, BLAKE2s-256, RIPEMD-160 and SM3: the known-answer builders on the committed files
// against OpenSSL and a second implementation (Botan, or RFC 7693's BLAKE2s written out in
// botan_hashes.hpp), a digest broken in one bit failing every vector, RIPEMD-160's and SM3's
// padding edges on three implementations, HMAC-RIPEMD-160 from RFC 2286, and the per-algorithm
// bundles.

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "botan_hashes.hpp"
#include "broken/boundary_faults.hpp"
#include "kat_fixture.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "kavrit/test/blake2_ripemd_sm3.hpp"
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/rfc_hmac.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/vector_files.hpp"
#include "nettle/nettle_reference.hpp"
#include "openssl/openssl_digest.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using Tree = kavrit::test::Test;  // TEST bodies see testing::Test as Test
using Trees = std::vector<Tree>;
namespace ex = kavrit::examples;
using fixture::caseNames;
using fixture::failureOf;

using Builder = std::function<Trees(const AnyHash&)>;

// One algorithm: its builder, its vectors' names and count, and the two implementations.
struct Family {
  std::string prefix;
  std::size_t vectors;
  Builder build;
  const AnyHash& openssl;
  const AnyHash& second;
};

std::vector<Family> families() {
  return {
      {"BLAKE2b512-", 7, [](const AnyHash& h) { return makeBLAKE2b512Tests(h); },
       anyHash<ex::BLAKE2b512>(), anyHash<BotanBLAKE2b512>()},
      {"BLAKE2s256-", 7, [](const AnyHash& h) { return makeBLAKE2s256Tests(h); },
       anyHash<ex::BLAKE2s256>(), anyHash<ReferenceBLAKE2s256>()},
      {"RIPEMD160-", 8, [](const AnyHash& h) { return makeRIPEMD160Tests(h); },
       anyHash<ex::RIPEMD160>(), anyHash<BotanRIPEMD160>()},
      {"SM3-", 6, [](const AnyHash& h) { return makeSM3Tests(h); }, anyHash<ex::SM3>(),
       anyHash<BotanSM3>()},
  };
}

std::vector<std::string> numbered(const std::string& prefix, std::size_t count) {
  std::vector<std::string> names;
  for (std::size_t i = 1; i <= count; ++i) names.push_back(prefix + std::to_string(i));
  return names;
}

// Every digest comes out with its last bit flipped; with LazyOnly, only the chunked path's.
template <Hash Real, bool LazyOnly>
class FlipsLastBit : public ex::WrappedDigest<Real, FlipsLastBit<Real, LazyOnly>> {
  using Base = ex::WrappedDigest<Real, FlipsLastBit>;

 public:
  explicit FlipsLastBit(Real inner) : Base(std::move(inner)) {}
  static FlipsLastBit hash(const LazyByteString& message) { return flipped(Real::hash(message)); }
  static FlipsLastBit hashStrict(const ByteString& message) {
    return LazyOnly ? FlipsLastBit(Real::hashStrict(message)) : flipped(Real::hashStrict(message));
  }

 private:
  static FlipsLastBit flipped(const Real& digest) {
    ByteString bytes = digest.serialize();
    bytes.back() ^= 1;
    return FlipsLastBit(*Real::parse(bytes));
  }
};

class NewHashes : public testing::Test {
 protected:
  fixture::DataDir data{false};
};

// Each builder gives its vectors in file order, then the property group, and every leaf passes on
// OpenSSL and on the second implementation.
TEST_F(NewHashes, EveryVectorAndLawPassesOnTwoImplementations) {
  for (const Family& family : families()) {
    SCOPED_TRACE(family.prefix);
    for (const AnyHash* hash : {&family.openssl, &family.second}) {
      const Trees trees = family.build(*hash);
      EXPECT_EQ(caseNames(trees), numbered(family.prefix, family.vectors));
      ASSERT_EQ(trees.size(), family.vectors + 1);
      EXPECT_EQ(trees.back().name(), "Cryptographic Digest Property Tests");
      propcheck::expectAllLeavesPass(trees);
    }
  }
  // The type-level entry points give the same trees.
  EXPECT_EQ(caseNames(makeBLAKE2b512Tests<ex::BLAKE2b512>()), numbered("BLAKE2b512-", 7));
  EXPECT_EQ(caseNames(makeSM3Tests(ex::SM3::hashStrict({}))), numbered("SM3-", 6));
}

// A digest wrong in one bit fails every vector, and so does one wrong in its chunked path only.
TEST_F(NewHashes, ADigestWrongInOneBitFailsEveryVector) {
  using Broken = std::function<Trees()>;
  const std::pair<std::string, std::vector<Broken>> broken[] = {
      {"BLAKE2b512-",
       {[] { return makeBLAKE2b512Tests<FlipsLastBit<ex::BLAKE2b512, false>>(); },
        [] { return makeBLAKE2b512Tests<FlipsLastBit<ex::BLAKE2b512, true>>(); }}},
      {"BLAKE2s256-",
       {[] { return makeBLAKE2s256Tests<FlipsLastBit<ReferenceBLAKE2s256, false>>(); },
        [] { return makeBLAKE2s256Tests<FlipsLastBit<ex::BLAKE2s256, true>>(); }}},
      {"RIPEMD160-",
       {[] { return makeRIPEMD160Tests<FlipsLastBit<ex::RIPEMD160, false>>(); },
        [] { return makeRIPEMD160Tests<FlipsLastBit<BotanRIPEMD160, true>>(); }}},
      {"SM3-",
       {[] { return makeSM3Tests<FlipsLastBit<BotanSM3, false>>(); },
        [] { return makeSM3Tests<FlipsLastBit<ex::SM3, true>>(); }}},
  };
  for (const Family& family : families()) {
    for (const auto& [prefix, builders] : broken) {
      if (prefix != family.prefix) continue;
      for (const Broken& build : builders) {
        EXPECT_EQ(caseNames(build(), true), numbered(prefix, family.vectors)) << prefix;
      }
    }
  }
}

// RIPEMD-160's and SM3's padding edges pass on OpenSSL, Nettle and Botan, and a digest wrong in its
// last bit, whole or in its chunked path only, fails every length.
TEST_F(NewHashes, PaddingEdgesPassOnThreeImplementationsAndCatchOneWrongBit) {
  const std::pair<std::string_view, std::vector<const AnyHash*>> families[] = {
      {"RIPEMD160",
       {&anyHash<ex::RIPEMD160>(), &anyHash<ex::NettleRIPEMD160>(), &anyHash<BotanRIPEMD160>()}},
      {"SM3", {&anyHash<ex::SM3>(), &anyHash<ex::NettleSM3>(), &anyHash<BotanSM3>()}},
  };
  for (const auto& [name, hashes] : families) {
    for (const AnyHash* hash : hashes) {
      const Trees trees = makePaddingEdgeTests(*hash, name);
      EXPECT_EQ(trees.size(), 233u) << name;
      propcheck::expectAllLeavesPass(trees);
    }
  }
  const Trees broken[] = {
      makeRIPEMD160PaddingEdgeTests<FlipsLastBit<ex::NettleRIPEMD160, false>>(),
      makeRIPEMD160PaddingEdgeTests<FlipsLastBit<ex::RIPEMD160, true>>(),
      makeSM3PaddingEdgeTests<FlipsLastBit<ex::NettleSM3, false>>(),
      makeSM3PaddingEdgeTests<FlipsLastBit<BotanSM3, true>>(),
  };
  for (const Trees& trees : broken) EXPECT_EQ(caseNames(trees, true).size(), 233u);
}

// A failing vector is reported at its record: the file and the line of its Len.
TEST_F(NewHashes, AFailureNamesTheFileAndLine) {
  const Trees trees = makeSM3Tests<FlipsLastBit<ex::SM3, false>>();
  const std::string report = failureOf(trees.at(2)).value_or("");
  const std::string path = getDataFileName("Test/KAT_HASHES/SM3.rsp");
  EXPECT_NE(report.find(path + ":16: the vector:\n  Len = 24"), std::string::npos) << report;
  EXPECT_NE(report.find("hashStrict and hash (37-byte chunks)"), std::string::npos) << report;
}

// A file with a Len that is not a multiple of 8 fails that record, saying so; a missing directory
// throws naming it.
TEST_F(NewHashes, BadFilesAndMissingDirectoriesAreReported) {
  fixture::DataDir dir;
  dir.write("Test/KAT_HASHES/RIPEMD160.rsp", "Len = 4\nMsg = 00\nMD = 00\n\nLen = 0\nMsg = 00\n");
  const Trees trees = makeRIPEMD160Tests<ex::RIPEMD160>();
  ASSERT_EQ(caseNames(trees), std::vector<std::string>{"RIPEMD160-1"});
  const std::string report = failureOf(trees.at(0)).value_or("");
  EXPECT_NE(report.find("RIPEMD160.rsp:1:"), std::string::npos) << report;
  EXPECT_NE(report.find("Len = 4 is not a whole number of bytes"), std::string::npos) << report;

  fixture::DataDir empty;
  try {
    (void)makeBLAKE2s256Tests<ReferenceBLAKE2s256>();
    ADD_FAILURE() << "no error for a missing Test/KAT_HASHES";
  } catch (const std::filesystem::filesystem_error& e) {
    EXPECT_NE(std::string(e.what()).find((empty.root() / "Test/KAT_HASHES").string()),
              std::string::npos)
        << e.what();
  }
}

// The adapters' lengths are the libraries' own, and the BLAKE2s written here agrees with OpenSSL
// on every length from 0 to 200 bytes, whole and in 13-byte chunks (the vectors reach 80 bytes).
TEST(NewHashAdapters, LengthsAreTheLibrariesAndTheBLAKE2sReferenceAgrees) {
  const std::pair<long, long> openssl[] = {
      {ex::BLAKE2b512::outputLength(),
       8L * EVP_MD_get_size(ex::openssl_fetch::fetchedDigest<ex::openssl_fetch::kBLAKE2b512>())},
      {ex::BLAKE2b512::blockLength(),
       8L * EVP_MD_get_block_size(
                ex::openssl_fetch::fetchedDigest<ex::openssl_fetch::kBLAKE2b512>())},
      {ex::BLAKE2s256::outputLength(),
       8L * EVP_MD_get_size(ex::openssl_fetch::fetchedDigest<ex::openssl_fetch::kBLAKE2s256>())},
      {ex::BLAKE2s256::blockLength(),
       8L * EVP_MD_get_block_size(
                ex::openssl_fetch::fetchedDigest<ex::openssl_fetch::kBLAKE2s256>())},
      {ex::RIPEMD160::outputLength(),
       8L * EVP_MD_get_size(ex::openssl_fetch::fetchedDigest<ex::openssl_fetch::kRIPEMD160>())},
      {ex::RIPEMD160::blockLength(),
       8L * EVP_MD_get_block_size(
                ex::openssl_fetch::fetchedDigest<ex::openssl_fetch::kRIPEMD160>())},
      {ex::SM3::outputLength(),
       8L * EVP_MD_get_size(ex::openssl_fetch::fetchedDigest<ex::openssl_fetch::kSM3>())},
      {ex::SM3::blockLength(),
       8L * EVP_MD_get_block_size(ex::openssl_fetch::fetchedDigest<ex::openssl_fetch::kSM3>())},
  };
  for (const auto& [ours, theirs] : openssl) EXPECT_EQ(ours, theirs);
  for (const auto& [name, ours, block] :
       {std::tuple{"BLAKE2b(512)", BotanBLAKE2b512::outputLength(), BotanBLAKE2b512::blockLength()},
        std::tuple{"RIPEMD-160", BotanRIPEMD160::outputLength(), BotanRIPEMD160::blockLength()},
        std::tuple{"SM3", BotanSM3::outputLength(), BotanSM3::blockLength()}}) {
    const auto hash = Botan::HashFunction::create_or_throw(name);
    EXPECT_EQ(ours, 8L * static_cast<long>(hash->output_length())) << name;
    EXPECT_EQ(block, 8L * static_cast<long>(hash->hash_block_size())) << name;
  }

  ByteString message;
  for (std::size_t n = 0; n <= 200; ++n) {
    const ByteString expected = ex::BLAKE2s256::hashStrict(message).serialize();
    EXPECT_EQ(ReferenceBLAKE2s256::hashStrict(message).serialize(), expected) << n;
    EXPECT_EQ(ReferenceBLAKE2s256::hash(chunked(message, 13)).serialize(), expected) << n;
    message.push_back(static_cast<std::uint8_t>(n * 7 + 1));
  }
  EXPECT_THROW((void)ex::openssl_fetch::fetchDigest("NO-SUCH-DIGEST"), std::runtime_error);
}

// RFC 2286's seven cases pass on both RIPEMD-160s and fail on a one-bit-broken one; a hash of other
// lengths is refused, naming RIPEMD-160.
TEST_F(NewHashes, RFC2286HMACRIPEMD160) {
  const std::vector<std::string> names = numbered("RFC2286HMACRIPEMD160-", 7);
  for (const Trees& trees :
       {makeRFC2286HMACTests<ex::RIPEMD160>(), makeRFC2286HMACTests(anyHash<BotanRIPEMD160>())}) {
    EXPECT_EQ(caseNames(trees), names);
    EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{});
  }
  EXPECT_EQ(caseNames(makeRFC2286HMACTests<FlipsLastBit<ex::RIPEMD160, false>>(), true), names);
  try {
    (void)makeRFC2286HMACTests<ex::SM3>();
    ADD_FAILURE() << "SM3 taken for RIPEMD-160";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("RIPEMD160 (160-bit output, 512-bit block)"),
              std::string::npos)
        << e.what();
  }
}

// The names of a list's leaves, with the groups above each.
std::vector<std::string> leafPaths(const Trees& trees, const std::string& above = "") {
  std::vector<std::string> paths;
  for (const Tree& tree : trees) {
    if (tree.kind() == Tree::Kind::Group) {
      for (std::string& path : leafPaths(tree.children(), above + tree.name() + "/")) {
        paths.push_back(std::move(path));
      }
    } else {
      paths.push_back(above + tree.name());
    }
  }
  return paths;
}

// The bundles are their builders in order (no Wycheproof: its files are chosen by lengths these
// share with SHA-1, SHA-256 and SHA-512), and pass on OpenSSL.
TEST_F(NewHashes, BundlesAreTheirBuildersInOrderAndPass) {
  const auto rest = [](const AnyHash& hash, const std::vector<Trees>& hmac) {
    Trees all{makeHashChunkingTests(hash), makeDigestTests(hash), makeHashStateTests(hash),
              makeHMACHookOracleTests(hash), makeLongMessageTests(hash, HashAlgorithm::Other)};
    for (const Trees& trees : hmac) all.insert(all.end(), trees.begin(), trees.end());
    all.push_back(makeKDFHookOracleTests(hash));
    return all;
  };
  const auto expected = [&](Trees kats, const AnyHash& hash, const std::vector<Trees>& hmac) {
    const Trees tail = rest(hash, hmac);
    kats.insert(kats.end(), tail.begin(), tail.end());
    return leafPaths(kats);
  };
  const AnyHash& b2b = anyHash<ex::BLAKE2b512>();
  const AnyHash& b2s = anyHash<ex::BLAKE2s256>();
  const AnyHash& rmd = anyHash<ex::RIPEMD160>();
  const AnyHash& sm3 = anyHash<ex::SM3>();
  const Trees bundles[] = {makeBLAKE2b512Suites<ex::BLAKE2b512>(),
                           makeBLAKE2s256Suites(ReferenceBLAKE2s256::hashStrict({})),
                           makeRIPEMD160Suites<ex::RIPEMD160>(), makeSM3Suites(sm3)};
  EXPECT_EQ(leafPaths(bundles[0]), expected(makeBLAKE2b512Tests(b2b), b2b, {}));
  EXPECT_EQ(leafPaths(bundles[1]), expected(makeBLAKE2s256Tests(b2s), b2s, {}));
  const auto withEdges = [](Trees kats, const AnyHash& hash, std::string_view name) {
    const Trees edges = makePaddingEdgeTests(hash, name);
    kats.insert(kats.end(), edges.begin(), edges.end());
    return kats;
  };
  EXPECT_EQ(leafPaths(bundles[2]), expected(withEdges(makeRIPEMD160Tests(rmd), rmd, "RIPEMD160"),
                                            rmd, {makeRFC2286HMACTests(rmd)}));
  EXPECT_EQ(leafPaths(bundles[3]), expected(withEdges(makeSM3Tests(sm3), sm3, "SM3"), sm3, {}));
  // The vectors, the padding edges of the Merkle-Damgard two, then the same 19 law leaves for each;
  // RIPEMD-160 adds RFC 2286's 7 cases.
  const std::size_t counts[] = {7 + 19, 7 + 19, 8 + 233 + 19 + 7, 6 + 233 + 19};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(propcheck::leaves(bundles[i]).size(), counts[i]) << i;
    propcheck::expectAllLeavesPass(bundles[i]);
  }
}

}  // namespace
}  // namespace kavrit::test
