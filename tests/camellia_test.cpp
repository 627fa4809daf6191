// The Camellia vector files of data/Test/KAT_CAMELLIA, checked record by record against the
// OpenSSL and the Nettle Camellia adapters through kavrit's modes, and the two adapters themselves.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/modes.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "nettle/nettle_camellia.hpp"
#include "openssl/openssl_camellia.hpp"

namespace kavrit::test {
namespace {

namespace fs = std::filesystem;
using namespace kavrit::examples;

static_assert(BlockCipher<Camellia128> && BlockCipher<Camellia192> && BlockCipher<Camellia256>);
static_assert(BlockCipher<NettleCamellia128> && BlockCipher<NettleCamellia192> &&
              BlockCipher<NettleCamellia256>);

const fs::path kDir = fs::path(KAVRIT_TESTS_DATADIR) / "Test/KAT_CAMELLIA";

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

enum class Mode { CBC, CFB, OFB };

std::optional<Mode> modeOf(const std::string& fileName) {
  const std::string prefix = fileName.substr(0, 3);
  if (prefix == "CBC") return Mode::CBC;
  if (prefix == "CFB") return Mode::CFB;
  if (prefix == "OFB") return Mode::OFB;
  return std::nullopt;
}

struct Record {
  std::string where;  // file and COUNT, for messages
  Mode mode;
  ByteString key, iv, plaintext, ciphertext;
};

std::vector<Record> committedRecords() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(kDir)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<Record> records;
  for (const fs::path& path : files) {
    const std::string name = path.filename().string();
    const std::optional<Mode> mode = modeOf(name);
    if (!mode) {
      ADD_FAILURE() << name << ": the name does not start with CBC, CFB or OFB";
      continue;
    }
    EXPECT_EQ(path.stem().string().back(), 'e') << name << ": only [ENCRYPT] files are committed";
    for (const KatCategory& category : parseCategories("COUNT", readText(path))) {
      EXPECT_EQ(category.properties, (std::vector<KatField>{{"ENCRYPT", "", 0}})) << name;
      for (const KatRecord& record : category.records) {
        const std::string where = name + " COUNT " + record.front().value;
        const auto field = [&](const char* field) {
          const std::string* value = lookupField(record, field);
          if (!value) throw std::invalid_argument(where + ": no " + field);
          return hexStringToBS(*value);
        };
        records.push_back(
            {where, *mode, field("KEY"), field("IV"), field("PLAINTEXT"), field("CIPHERTEXT")});
      }
    }
  }
  return records;
}

// What is wrong with one record under key type K, in both directions, strict and lazy; empty when
// nothing is.
template <class K>
std::string checkRecord(const Record& r) {
  const std::optional<K> key = K::buildKey(r.key);
  if (!key) return "buildKey refused the key";
  const std::optional<IV<K>> iv = IV<K>::parse(r.iv);
  if (!iv) return "IV::parse refused the IV";
  // Chunks cut inside the first block, so that the lazy path carries state across them.
  const LazyByteString lazyPlain({ByteString(r.plaintext.begin(), r.plaintext.begin() + 5),
                                  ByteString(r.plaintext.begin() + 5, r.plaintext.end())});
  ByteString enc, lazy, dec;
  switch (r.mode) {
    case Mode::CBC:
      enc = cbc(*key, *iv, r.plaintext).first;
      lazy = cbcLazy(*key, *iv, lazyPlain).first.flatten();
      dec = unCbc(*key, *iv, r.ciphertext).first;
      break;
    case Mode::CFB:
      enc = cfb(*key, *iv, r.plaintext).first;
      lazy = cfbLazy(*key, *iv, lazyPlain).first.flatten();
      dec = unCfb(*key, *iv, r.ciphertext).first;
      break;
    case Mode::OFB:
      enc = ofb(*key, *iv, r.plaintext).first;
      lazy = ofbLazy(*key, *iv, lazyPlain).first.flatten();
      dec = unOfb(*key, *iv, r.ciphertext).first;
      break;
  }
  std::string problems;
  if (enc != r.ciphertext) problems += "encryption gives " + toHex(enc) + "; ";
  if (lazy != r.ciphertext) problems += "lazy encryption gives " + toHex(lazy) + "; ";
  if (dec != r.plaintext) problems += "decryption gives " + toHex(dec) + "; ";
  return problems;
}

// Both adapters of the record's key size; what is wrong, prefixed by the adapter.
std::string checkWithBoth(const Record& r) {
  const auto both = [&r]<class OpenSSL, class Nettle>() {
    std::string out;
    if (std::string p = checkRecord<OpenSSL>(r); !p.empty()) out += "OpenSSL: " + p;
    if (std::string p = checkRecord<Nettle>(r); !p.empty()) out += "Nettle: " + p;
    return out;
  };
  switch (r.key.size()) {
    case 16:
      return both.template operator()<Camellia128, NettleCamellia128>();
    case 24:
      return both.template operator()<Camellia192, NettleCamellia192>();
    case 32:
      return both.template operator()<Camellia256, NettleCamellia256>();
    default:
      return "a key of " + std::to_string(r.key.size()) + " bytes";
  }
}

TEST(CamelliaVectorFiles, EveryRecordAgreesWithOpenSSLAndNettle) {
  const std::vector<Record> records = committedRecords();
  std::map<std::size_t, int> perKeySize;
  std::map<Mode, int> perMode;
  for (const Record& r : records) {
    EXPECT_EQ(checkWithBoth(r), "") << r.where;
    ++perKeySize[r.key.size()];
    ++perMode[r.mode];
  }
  // The three files, four records per key size each.
  EXPECT_EQ(records.size(), 36u);
  EXPECT_EQ(perKeySize, (std::map<std::size_t, int>{{16, 12}, {24, 12}, {32, 12}}));
  EXPECT_EQ(perMode, (std::map<Mode, int>{{Mode::CBC, 12}, {Mode::CFB, 12}, {Mode::OFB, 12}}));
}

TEST(CamelliaVectorFiles, TheCheckCatchesAChangedBitInEveryField) {
  const std::vector<Record> records = committedRecords();
  ASSERT_FALSE(records.empty());
  for (const Record& r : {records.front(), records.back()}) {
    for (ByteString Record::*field :
         {&Record::key, &Record::iv, &Record::plaintext, &Record::ciphertext}) {
      Record changed = r;
      (changed.*field).back() ^= 0x01;
      EXPECT_NE(checkWithBoth(changed), "") << r.where;
    }
  }
}

// RFC 3713's example: the same key and plaintext under the three key sizes.
TEST(CamelliaAdapters, ReproduceThePublishedExample) {
  const ByteString text = hexStringToBS("0123456789abcdeffedcba9876543210");
  const ByteString key =
      hexStringToBS("0123456789abcdeffedcba987654321000112233445566778899aabbccddeeff");
  const auto expect = [&]<class K>(std::size_t keyBytes, const char* ciphertext) {
    const K k =
        K::buildKey(ByteString(key.begin(), key.begin() + static_cast<long>(keyBytes))).value();
    EXPECT_EQ(toHex(k.encryptBlock(text)), ciphertext) << keyBytes;
    EXPECT_EQ(k.decryptBlock(hexStringToBS(ciphertext)), text) << keyBytes;
  };
  expect.template operator()<Camellia128>(16, "67673138549669730857065648eabe43");
  expect.template operator()<NettleCamellia128>(16, "67673138549669730857065648eabe43");
  expect.template operator()<Camellia192>(24, "b4993401b3e996f84ee5cee7d79b09b9");
  expect.template operator()<NettleCamellia192>(24, "b4993401b3e996f84ee5cee7d79b09b9");
  expect.template operator()<Camellia256>(32, "9acc237dff16d76c20ef7c919e3a7509");
  expect.template operator()<NettleCamellia256>(32, "9acc237dff16d76c20ef7c919e3a7509");
}

template <class OpenSSL, class Nettle>
void expectSameBlocks() {
  const std::size_t keyBytes = OpenSSL::keyLength() / 8;
  for (std::size_t blocks : {0u, 1u, 2u, 7u}) {
    ByteString key(keyBytes), in(16 * blocks);
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 29 + 3);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>(i * 31 + 7);
    const OpenSSL a = OpenSSL::buildKey(key).value();
    const Nettle b = Nettle::buildKey(key).value();
    // A copy shares its schedule; using it must not disturb the original.
    const OpenSSL copy = a;
    EXPECT_EQ(copy.encryptBlock(in), b.encryptBlock(in)) << keyBytes << " " << blocks;
    EXPECT_EQ(a.decryptBlock(in), b.decryptBlock(in)) << keyBytes << " " << blocks;
    EXPECT_EQ(b.decryptBlock(a.encryptBlock(in)), in) << keyBytes << " " << blocks;
  }
}

TEST(CamelliaAdapters, OpenSSLAndNettleAgreeOnMultiBlockInputs) {
  expectSameBlocks<Camellia128, NettleCamellia128>();
  expectSameBlocks<Camellia192, NettleCamellia192>();
  expectSameBlocks<Camellia256, NettleCamellia256>();
}

TEST(CamelliaAdapters, RefuseOtherKeyLengthsAndPartialBlocks) {
  for (std::size_t n : {0u, 15u, 17u, 24u, 32u}) {
    EXPECT_FALSE(Camellia128::buildKey(ByteString(n)).has_value()) << n;
    EXPECT_FALSE(NettleCamellia128::buildKey(ByteString(n)).has_value()) << n;
  }
  EXPECT_FALSE(Camellia256::buildKey(ByteString(24)).has_value());
  EXPECT_FALSE(NettleCamellia192::buildKey(ByteString(32)).has_value());
  const Camellia192 a = Camellia192::buildKey(ByteString(24)).value();
  const NettleCamellia192 b = NettleCamellia192::buildKey(ByteString(24)).value();
  EXPECT_THROW((void)a.encryptBlock(ByteString(17)), std::invalid_argument);
  EXPECT_THROW((void)b.decryptBlock(ByteString(15)), std::invalid_argument);
}

}  // namespace
}  // namespace kavrit::test
