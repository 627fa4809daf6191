// The generated vector files of data/Test/KAT_AES_CTR_EDGES and data/Test/KAT_HASH_EDGES, read as
// their headers describe them and checked against kavrit's own CTR mode and HMAC over the OpenSSL
// adapters: the counter must carry across every edge and wrap at 2^128, and the digests and MACs
// must hold at every length around the padding edges.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/modes.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::test {
namespace {

namespace fs = std::filesystem;
using namespace kavrit::examples;

const fs::path kTest = fs::path(KAVRIT_TESTS_DATADIR) / "Test";

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

const std::string& field(const KatRecord& record, const char* name) {
  const std::string* value = lookupField(record, name);
  if (!value) throw std::invalid_argument(std::string("record without ") + name);
  return *value;
}

// ---- AES-CTR across the carry edges ----

// The counter block plus `blocks`, big-endian over all 16 bytes, modulo 2^128.
ByteString advanced(ByteString counter, std::size_t blocks) {
  for (std::size_t step = 0; step < blocks; ++step) {
    for (std::size_t i = counter.size(); i-- > 0;) {
      if (++counter[i] != 0) break;
    }
  }
  return counter;
}

// What is wrong with one record under kavrit's CTR over OpenSSL's AES of key type K.
template <class K>
std::string checkCtr(const ByteString& keyBytes, const ByteString& ivBytes, const ByteString& in,
                     const ByteString& out, bool encrypts) {
  const K key = K::buildKey(keyBytes).value();
  const IV<K> iv = IV<K>::parse(ivBytes).value();
  const auto [strict, next] = encrypts ? ctr(key, iv, in) : unCtr(key, iv, in);
  // Chunks of 5 bytes: block edges fall inside chunks.
  std::vector<ByteString> chunks;
  for (std::size_t at = 0; at < in.size(); at += 5) {
    chunks.emplace_back(in.begin() + static_cast<long>(at),
                        in.begin() + static_cast<long>(std::min(in.size(), at + 5)));
  }
  const auto [lazy, lazyNext] = ctrLazy(key, iv, LazyByteString(chunks));
  std::string problems;
  if (strict != out) problems += "ctr gives " + toHex(strict) + "; ";
  if (lazy.flatten() != out) problems += "ctrLazy gives " + toHex(lazy.flatten()) + "; ";
  const ByteString expectedNext = advanced(ivBytes, in.size() / 16);
  if (next.bytes() != expectedNext || lazyNext.bytes() != expectedNext) {
    problems += "next IV " + toHex(next.bytes()) + " / " + toHex(lazyNext.bytes()) + ", want " +
                toHex(expectedNext) + "; ";
  }
  return problems;
}

std::string checkCtrRecord(const KatRecord& record, bool encrypts) {
  const ByteString key = hexStringToBS(field(record, "KEY"));
  const ByteString iv = hexStringToBS(field(record, "IV"));
  const ByteString plaintext = hexStringToBS(field(record, "PLAINTEXT"));
  const ByteString ciphertext = hexStringToBS(field(record, "CIPHERTEXT"));
  const ByteString& in = encrypts ? plaintext : ciphertext;
  const ByteString& out = encrypts ? ciphertext : plaintext;
  switch (key.size()) {
    case 16:
      return checkCtr<AES128>(key, iv, in, out, encrypts);
    case 24:
      return checkCtr<AES192>(key, iv, in, out, encrypts);
    case 32:
      return checkCtr<AES256>(key, iv, in, out, encrypts);
    default:
      return "a key of " + std::to_string(key.size()) + " bytes";
  }
}

// The initial counter 3 below 2^bits, with zero bytes above the edge or f0 f1 f2 ...
ByteString belowEdge(int bits, bool prefixed) {
  ByteString counter(16, 0xff);
  const std::size_t high = 16 - static_cast<std::size_t>(bits / 8);
  for (std::size_t i = 0; i < high; ++i)
    counter[i] = prefixed ? static_cast<std::uint8_t>(0xf0 + i) : 0;
  counter[15] = 0xfd;
  return counter;
}

TEST(CtrEdgeVectors, TheFilesAreNamedAndLaidOutLikeTheAESCTRFiles) {
  EXPECT_EQ(
      namesIn(kTest / "KAT_AES_CTR_EDGES"),
      (std::vector<std::string>{"CTREdges-128d.rsp", "CTREdges-128e.rsp", "CTREdges-192d.rsp",
                                "CTREdges-192e.rsp", "CTREdges-256d.rsp", "CTREdges-256e.rsp"}));
  for (const char* bits : {"128", "192", "256"}) {
    const std::string stem = std::string("CTREdges-") + bits;
    const auto encrypt =
        parseCategories("COUNT", readText(kTest / "KAT_AES_CTR_EDGES" / (stem + "e.rsp")));
    const auto decrypt =
        parseCategories("COUNT", readText(kTest / "KAT_AES_CTR_EDGES" / (stem + "d.rsp")));
    ASSERT_EQ(encrypt.size(), 1u);
    ASSERT_EQ(decrypt.size(), 1u);
    EXPECT_EQ(encrypt[0].properties, (std::vector<KatField>{{"ENCRYPT", "", 0}}));
    EXPECT_EQ(decrypt[0].properties, (std::vector<KatField>{{"DECRYPT", "", 0}}));
    // Nine records: below each edge with zero bytes above it, and with f0 f1 ... above it.
    std::vector<ByteString> expectedIVs;
    for (const int edge : {8, 32, 64, 96, 128}) {
      expectedIVs.push_back(belowEdge(edge, false));
      if (edge != 128) expectedIVs.push_back(belowEdge(edge, true));
    }
    std::vector<ByteString> ivs;
    ASSERT_EQ(encrypt[0].records.size(), decrypt[0].records.size());
    for (std::size_t i = 0; i < encrypt[0].records.size(); ++i) {
      const KatRecord& e = encrypt[0].records[i];
      const KatRecord& d = decrypt[0].records[i];
      EXPECT_EQ(field(e, "COUNT"), std::to_string(i));
      std::vector<std::string> names, dNames;
      for (const KatField& f : e) names.push_back(f.name);
      for (const KatField& f : d) dNames.push_back(f.name);
      EXPECT_EQ(names, (std::vector<std::string>{"COUNT", "KEY", "IV", "PLAINTEXT", "CIPHERTEXT"}));
      EXPECT_EQ(dNames,
                (std::vector<std::string>{"COUNT", "KEY", "IV", "CIPHERTEXT", "PLAINTEXT"}));
      for (const char* name : {"COUNT", "KEY", "IV", "PLAINTEXT", "CIPHERTEXT"}) {
        EXPECT_EQ(field(e, name), field(d, name)) << stem << " record " << i << " " << name;
      }
      ivs.push_back(hexStringToBS(field(e, "IV")));
      // 6 to 8 whole blocks, so that every record crosses its edge.
      const std::size_t blocks = hexStringToBS(field(e, "PLAINTEXT")).size() / 16;
      EXPECT_EQ(blocks, 6 + i % 3);
    }
    EXPECT_EQ(ivs, expectedIVs) << stem;
  }
}

TEST(CtrEdgeVectors, KavritCtrOverOpenSSLAESReproducesEveryRecord) {
  std::size_t checked = 0;
  for (const std::string& name : namesIn(kTest / "KAT_AES_CTR_EDGES")) {
    const bool encrypts = name.ends_with("e.rsp");
    for (const KatCategory& category :
         parseCategories("COUNT", readText(kTest / "KAT_AES_CTR_EDGES" / name))) {
      for (const KatRecord& record : category.records) {
        EXPECT_EQ(checkCtrRecord(record, encrypts), "")
            << name << " COUNT " << field(record, "COUNT");
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 6u * 9u);
}

// A counter that carries only within its low 64 bits (a common shortcut) differs from every
// record whose edge is 2^64 or above; the records see the difference.
TEST(CtrEdgeVectors, ACounterThatDoesNotCarryPast64BitsIsCaught) {
  const KatRecord record =
      parseCategories("COUNT", readText(kTest / "KAT_AES_CTR_EDGES/CTREdges-128e.rsp"))
          .at(0)
          .records.at(4);  // 3 below 2^64, zero above
  ASSERT_EQ(field(record, "IV"), "0000000000000000fffffffffffffffd");
  const AES128 key = AES128::buildKey(hexStringToBS(field(record, "KEY"))).value();
  ByteString counter = hexStringToBS(field(record, "IV"));
  const ByteString plaintext = hexStringToBS(field(record, "PLAINTEXT"));
  ByteString wrong;
  for (std::size_t at = 0; at < plaintext.size(); at += 16) {
    const ByteString pad = key.encryptBlock(counter);
    for (std::size_t i = 0; i < 16; ++i) wrong.push_back(plaintext[at + i] ^ pad[i]);
    for (std::size_t i = 16; i-- > 8;) {
      if (++counter[i] != 0) break;
    }
  }
  const ByteString ciphertext = hexStringToBS(field(record, "CIPHERTEXT"));
  EXPECT_EQ(ByteString(wrong.begin(), wrong.begin() + 48),
            ByteString(ciphertext.begin(), ciphertext.begin() + 48));
  EXPECT_NE(wrong, ciphertext);
}

// ---- Hashes and HMAC at the padding edges ----

ByteString edgeMessage(std::size_t n) {
  ByteString m(n);
  for (std::size_t i = 0; i < n; ++i) m[i] = static_cast<std::uint8_t>(31 * i + n);
  return m;
}

template <class D>
void checkHashFile(const std::string& name) {
  SCOPED_TRACE(name);
  const std::size_t b = static_cast<std::size_t>(D::blockLength() / 8);
  const std::vector<KatCategory> categories =
      parseCategories("Len", readText(kTest / "KAT_HASH_EDGES" / name));
  ASSERT_EQ(categories.size(), 1u);
  const KatCategory& category = categories[0];
  ASSERT_EQ(category.properties.size(), 2u);
  EXPECT_EQ(category.properties[0].name, "L");
  EXPECT_EQ(category.properties[0].value, std::to_string(D::outputLength() / 8));
  EXPECT_EQ(category.properties[1].name, "Key");
  ByteString keyBytes(b);
  for (std::size_t i = 0; i < b; ++i) keyBytes[i] = static_cast<std::uint8_t>(5 * i + 128);
  EXPECT_EQ(category.properties[1].value, toHex(keyBytes));
  const MacKey<D> key(keyBytes);

  std::set<std::size_t> expectedLengths;
  for (std::size_t n = 0; n <= 3 * b + 1; ++n) expectedLengths.insert(n);
  for (int k = 0; k <= 20; ++k) expectedLengths.insert({(1u << k) - 1, 1u << k, (1u << k) + 1});
  std::vector<std::size_t> lengths;
  for (const KatRecord& record : category.records) {
    const std::size_t n = std::stoul(field(record, "Len")) / 8;
    lengths.push_back(n);
    const ByteString m = edgeMessage(n);
    EXPECT_EQ(toHex(D::hashStrict(m).serialize()), field(record, "MD")) << n << " bytes";
    EXPECT_EQ(toHex(hmacStrict(key, m).serialize()), field(record, "Mac")) << n << " bytes";
  }
  EXPECT_EQ(lengths, std::vector<std::size_t>(expectedLengths.begin(), expectedLengths.end()));
}

TEST(HashEdgeVectors, KavritHMACAndTheOpenSSLDigestsReproduceEveryRecord) {
  EXPECT_EQ(namesIn(kTest / "KAT_HASH_EDGES"),
            (std::vector<std::string>{"MD5Edges.rsp", "RIPEMD160Edges.rsp", "SHA1Edges.rsp",
                                      "SHA224Edges.rsp", "SHA256Edges.rsp", "SHA384Edges.rsp",
                                      "SHA512Edges.rsp", "SM3Edges.rsp"}));
  checkHashFile<MD5>("MD5Edges.rsp");
  checkHashFile<SHA1>("SHA1Edges.rsp");
  checkHashFile<SHA224>("SHA224Edges.rsp");
  checkHashFile<SHA256>("SHA256Edges.rsp");
  checkHashFile<SHA384>("SHA384Edges.rsp");
  checkHashFile<SHA512>("SHA512Edges.rsp");
  checkHashFile<RIPEMD160>("RIPEMD160Edges.rsp");
  checkHashFile<SM3>("SM3Edges.rsp");
}

// An HMAC that hashes a key of exactly one block (it should only hash longer keys) gives another
// Mac on every record.
TEST(HashEdgeVectors, AnHMACThatHashesABlockLongKeyIsCaught) {
  const KatCategory category =
      parseCategories("Len", readText(kTest / "KAT_HASH_EDGES/SHA256Edges.rsp")).at(0);
  const ByteString keyBytes = hexStringToBS(category.properties.at(1).value);
  const MacKey<SHA256> hashedKey(SHA256::hashStrict(keyBytes).serialize());
  const KatRecord& record = category.records.at(65);
  ASSERT_EQ(field(record, "Len"), "520");
  EXPECT_NE(toHex(hmacStrict(hashedKey, edgeMessage(65)).serialize()), field(record, "Mac"));
  EXPECT_EQ(toHex(hmacStrict(MacKey<SHA256>(keyBytes), edgeMessage(65)).serialize()),
            field(record, "Mac"));
}

}  // namespace
}  // namespace kavrit::test
