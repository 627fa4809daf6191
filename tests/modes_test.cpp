#include "kavrit/modes.hpp"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "openssl/openssl_aes.hpp"

#ifndef KAVRIT_UNIT_TESTS_DATA_DIR
#error "the modes test needs KAVRIT_UNIT_TESTS_DATA_DIR, the directory of its vector files"
#endif

namespace kavrit {
namespace {

using examples::AES128;
using examples::AES192;
using examples::AES256;
using test::hexStringToBS;

template <BlockCipher K>
using StrictMode = std::pair<ByteString, IV<K>> (*)(const K&, const IV<K>&, const ByteString&);
template <BlockCipher K>
using LazyMode = std::pair<LazyByteString, IV<K>> (*)(const K&, const IV<K>&,
                                                      const LazyByteString&);

template <BlockCipher K>
struct ChainedMode {
  const char* name;
  StrictMode<K> encrypt;
  StrictMode<K> decrypt;
  LazyMode<K> encryptLazy;
  LazyMode<K> decryptLazy;
};

template <BlockCipher K>
std::vector<ChainedMode<K>> chainedModes() {
  return {
      {"CBC", &cbc<K>, &unCbc<K>, &cbcLazy<K>, &unCbcLazy<K>},
      {"CFB", &cfb<K>, &unCfb<K>, &cfbLazy<K>, &unCfbLazy<K>},
      {"OFB", &ofb<K>, &unOfb<K>, &ofbLazy<K>, &unOfbLazy<K>},
      {"CTR", &ctr<K>, &unCtr<K>, &ctrLazy<K>, &unCtrLazy<K>},
  };
}

template <BlockCipher K>
K keyOf(const ByteString& bytes) {
  return K::buildKey(bytes).value();
}

template <BlockCipher K>
IV<K> ivOf(const ByteString& bytes) {
  return IV<K>::parse(bytes).value();
}

// Cuts `bytes` at the given chunk lengths; whatever is left over is the last chunk.
LazyByteString cut(const ByteString& bytes, const std::vector<std::size_t>& lengths) {
  std::vector<ByteString> chunks;
  std::size_t at = 0;
  for (const std::size_t n : lengths) {
    const std::size_t end = std::min(bytes.size(), at + n);
    chunks.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(end));
    at = end;
  }
  chunks.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
  return LazyByteString(std::move(chunks));
}

// Runs one chained mode over `plaintext` and `ciphertext` in all four forms and checks both
// outputs and every next IV.
template <BlockCipher K>
void expectChained(const ChainedMode<K>& mode, const K& key, const IV<K>& iv,
                   const ByteString& plaintext, const ByteString& ciphertext,
                   const ByteString& encryptNextIv, const ByteString& decryptNextIv,
                   const LazyByteString& lazyPlaintext, const LazyByteString& lazyCiphertext) {
  SCOPED_TRACE(mode.name);
  const auto [c, ivC] = mode.encrypt(key, iv, plaintext);
  EXPECT_EQ(toHex(c), toHex(ciphertext));
  EXPECT_EQ(toHex(ivC.bytes()), toHex(encryptNextIv));
  const auto [p, ivP] = mode.decrypt(key, iv, ciphertext);
  EXPECT_EQ(toHex(p), toHex(plaintext));
  EXPECT_EQ(toHex(ivP.bytes()), toHex(decryptNextIv));
  const auto [cl, ivCl] = mode.encryptLazy(key, iv, lazyPlaintext);
  EXPECT_EQ(toHex(cl.flatten()), toHex(ciphertext));
  EXPECT_EQ(toHex(ivCl.bytes()), toHex(encryptNextIv));
  const auto [pl, ivPl] = mode.decryptLazy(key, iv, lazyCiphertext);
  EXPECT_EQ(toHex(pl.flatten()), toHex(plaintext));
  EXPECT_EQ(toHex(ivPl.bytes()), toHex(decryptNextIv));
}

// NIST SP 800-38A, appendix F: AES-128 with the same key, plaintext and (except CTR) IV.
const ByteString kNistKey = hexStringToBS("2b7e151628aed2a6abf7158809cf4f3c");
const ByteString kNistPlaintext = hexStringToBS(
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const ByteString kNistIv = hexStringToBS("000102030405060708090a0b0c0d0e0f");
const ByteString kNistCounter = hexStringToBS("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
// Chunks that split blocks at odd places, with a whole block inside one chunk.
const std::vector<std::size_t> kAwkwardCuts{1, 20, 17};

ByteString lastBlock(const ByteString& bytes) { return ByteString(bytes.end() - 16, bytes.end()); }

ByteString xorBytes(const ByteString& a, const ByteString& b) {
  ByteString out(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) out[i] = a[i] ^ b[i];
  return out;
}

TEST(ModesNist, EcbAes128) {
  const AES128 key = keyOf<AES128>(kNistKey);
  const ByteString expected = hexStringToBS(
      "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
      "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4");
  EXPECT_EQ(toHex(ecb(key, kNistPlaintext)), toHex(expected));
  EXPECT_EQ(unEcb(key, expected), kNistPlaintext);
  EXPECT_EQ(ecbLazy(key, cut(kNistPlaintext, kAwkwardCuts)), expected);
  EXPECT_EQ(unEcbLazy(key, cut(expected, kAwkwardCuts)), kNistPlaintext);
}

TEST(ModesNist, ChainedModesAes128) {
  struct Example {
    const char* mode;
    ByteString iv;
    ByteString ciphertext;
    ByteString nextIv;
  };
  const ByteString cbcOut = hexStringToBS(
      "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
      "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7");
  const ByteString cfbOut = hexStringToBS(
      "3b3fd92eb72dad20333449f8e83cfb4ac8a64537a0b3a93fcde3cdad9f1ce58b"
      "26751f67a3cbb140b1808cf187a4f4dfc04b05357c5d1c0eeac4c66f9ff7f2e6");
  const ByteString ofbOut = hexStringToBS(
      "3b3fd92eb72dad20333449f8e83cfb4a7789508d16918f03f53c52dac54ed825"
      "9740051e9c5fecf64344f7a82260edcc304c6528f659c77866a510d9c1d6ae5e");
  const ByteString ctrOut = hexStringToBS(
      "874d6191b620e3261bef6864990db6ce9806f66b7970fdff8617187bb9fffdff"
      "5ae4df3edbd5d35e5b4f09020db03eab1e031dda2fbe03d1792170a0f3009cee");
  const std::vector<Example> examples{
      // CBC and CFB chain on the last ciphertext block.
      {"CBC", kNistIv, cbcOut, lastBlock(cbcOut)},
      {"CFB", kNistIv, cfbOut, lastBlock(cfbOut)},
      // OFB continues from the last keystream block.
      {"OFB", kNistIv, ofbOut, xorBytes(lastBlock(ofbOut), lastBlock(kNistPlaintext))},
      // CTR used counters ...feff, ...ff00, ...ff01 and ...ff02: the carry crosses a byte.
      {"CTR", kNistCounter, ctrOut, hexStringToBS("f0f1f2f3f4f5f6f7f8f9fafbfcfdff03")},
  };
  const AES128 key = keyOf<AES128>(kNistKey);
  const std::vector<ChainedMode<AES128>> modes = chainedModes<AES128>();
  for (std::size_t i = 0; i < modes.size(); ++i) {
    const Example& e = examples[i];
    ASSERT_STREQ(modes[i].name, e.mode);
    expectChained(modes[i], key, ivOf<AES128>(e.iv), kNistPlaintext, e.ciphertext, e.nextIv,
                  e.nextIv, cut(kNistPlaintext, kAwkwardCuts), cut(e.ciphertext, kAwkwardCuts));
  }
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <BlockCipher K>
void expectCtrRecord(const test::KatRecord& record) {
  const auto field = [&record](const char* name) {
    const std::string* value = test::lookupField(record, name);
    if (value == nullptr) throw std::runtime_error(std::string("record without ") + name);
    return hexStringToBS(*value);
  };
  const ByteString plaintext = field("PLAINTEXT");
  const ByteString ciphertext = field("CIPHERTEXT");
  const ByteString counter = field("IV");
  // Four blocks from ...feff: the next counter is ...ff03.
  ByteString next = counter;
  next[14] = 0xff;
  next[15] = 0x03;
  expectChained(chainedModes<K>()[3], keyOf<K>(field("KEY")), ivOf<K>(counter), plaintext,
                ciphertext, next, next, cut(plaintext, {7, 16, 25}), cut(ciphertext, {33}));
}

TEST(ModesNist, CtrAllKeySizesFromFile) {
  const std::vector<test::KatCategory> categories = test::parseCategories(
      "COUNT", readFile(std::string(KAVRIT_UNIT_TESTS_DATA_DIR) + "/CTR-SP800-38A.rsp"));
  std::size_t records = 0;
  for (const test::KatCategory& category : categories) {
    for (const test::KatRecord& record : category.records) {
      const std::string* key = test::lookupField(record, "KEY");
      ASSERT_NE(key, nullptr);
      SCOPED_TRACE("KEY = " + *key);
      switch (key->size() * 4) {
        case 128:
          expectCtrRecord<AES128>(record);
          break;
        case 192:
          expectCtrRecord<AES192>(record);
          break;
        case 256:
          expectCtrRecord<AES256>(record);
          break;
        default:
          ADD_FAILURE() << "unexpected key length";
      }
      ++records;
    }
  }
  EXPECT_EQ(records, 6U);
}

// One pass of OpenSSL's own mode with padding off: output and OpenSSL's updated IV.
std::pair<ByteString, ByteString> openssl(const EVP_CIPHER* cipher, const ByteString& key,
                                          const ByteString& iv, const ByteString& in,
                                          bool encrypt) {
  std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                 EVP_CIPHER_CTX_free);
  ByteString out(in.size() + 16);
  ByteString nextIv(16);
  int written = 0;
  if (!ctx ||
      EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), iv.data(), encrypt ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
      (!in.empty() && EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(),
                                       static_cast<int>(in.size())) != 1) ||
      EVP_CIPHER_CTX_get_updated_iv(ctx.get(), nextIv.data(), nextIv.size()) != 1) {
    throw std::runtime_error("OpenSSL mode failed");
  }
  out.resize(static_cast<std::size_t>(written));
  return {out, nextIv};
}

ByteString randomBytes(std::mt19937& rng, std::size_t n) {
  std::uniform_int_distribution<int> byte(0, 255);
  ByteString out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(byte(rng));
  return out;
}

// Random chunk lengths of 0 to 40 bytes until `n` is covered.
std::vector<std::size_t> randomCuts(std::mt19937& rng, std::size_t n) {
  std::uniform_int_distribution<std::size_t> length(0, 40);
  std::vector<std::size_t> cuts;
  for (std::size_t total = 0; total < n;) {
    cuts.push_back(length(rng));
    total += cuts.back();
  }
  return cuts;
}

TEST(ModesOpenSSL, ChainedModesAgreeOnRandomInputs) {
  const std::vector<ChainedMode<AES128>> modes = chainedModes<AES128>();
  const std::vector<const EVP_CIPHER*> ciphers{EVP_aes_128_cbc(), EVP_aes_128_cfb128(),
                                               EVP_aes_128_ofb(), EVP_aes_128_ctr()};
  std::mt19937 rng(0x38a);
  std::uniform_int_distribution<std::size_t> blocks(0, 64);
  std::uniform_int_distribution<int> tail(-16, 16);
  for (int i = 0; i < 400; ++i) {
    const std::size_t m = static_cast<std::size_t>(i) % modes.size();
    const ByteString keyBytes = randomBytes(rng, 16);
    ByteString ivBytes = randomBytes(rng, 16);
    // Half the IVs end in a run of 0xff bytes (all of them at 16), so that the counter carries
    // over several bytes and wraps.
    const int run = tail(rng);
    for (int j = 0; j < run; ++j) ivBytes[15 - static_cast<std::size_t>(j)] = 0xff;
    const ByteString input = randomBytes(rng, 16 * blocks(rng));
    const LazyByteString lazyInput = cut(input, randomCuts(rng, input.size()));

    SCOPED_TRACE("case " + std::to_string(i) + ", key " + toHex(keyBytes) + ", IV " +
                 toHex(ivBytes) + ", " + std::to_string(input.size()) + " bytes");
    const auto [c, encryptNextIv] = openssl(ciphers[m], keyBytes, ivBytes, input, true);
    const auto [p, decryptNextIv] = openssl(ciphers[m], keyBytes, ivBytes, c, false);
    ASSERT_EQ(p, input);
    expectChained(modes[m], keyOf<AES128>(keyBytes), ivOf<AES128>(ivBytes), input, c, encryptNextIv,
                  decryptNextIv, lazyInput, cut(c, randomCuts(rng, c.size())));
    if (testing::Test::HasFailure()) return;
  }
}

TEST(Modes, EmptyInputGivesEmptyOutputAndTheSameIv) {
  const AES128 key = keyOf<AES128>(kNistKey);
  const IV<AES128> iv = ivOf<AES128>(kNistIv);
  EXPECT_TRUE(ecb(key, {}).empty());
  EXPECT_TRUE(ecbLazy(key, LazyByteString()).empty());
  for (const ChainedMode<AES128>& mode : chainedModes<AES128>()) {
    SCOPED_TRACE(mode.name);
    expectChained(mode, key, iv, {}, {}, kNistIv, kNistIv, LazyByteString(), LazyByteString());
  }
}

TEST(Modes, InputsOfPartBlocksAreRejected) {
  const AES128 key = keyOf<AES128>(kNistKey);
  const IV<AES128> iv = ivOf<AES128>(kNistIv);
  for (const std::size_t n : {1, 15, 17, 63}) {
    SCOPED_TRACE(std::to_string(n) + " bytes");
    const ByteString strict(n, 0x61);
    const LazyByteString lazy = cut(strict, {n / 2});
    EXPECT_THROW((void)ecb(key, strict), std::invalid_argument);
    EXPECT_THROW((void)unEcb(key, strict), std::invalid_argument);
    EXPECT_THROW((void)ecbLazy(key, lazy), std::invalid_argument);
    EXPECT_THROW((void)unEcbLazy(key, lazy), std::invalid_argument);
    for (const ChainedMode<AES128>& mode : chainedModes<AES128>()) {
      SCOPED_TRACE(mode.name);
      EXPECT_THROW((void)mode.encrypt(key, iv, strict), std::invalid_argument);
      EXPECT_THROW((void)mode.decrypt(key, iv, strict), std::invalid_argument);
      EXPECT_THROW((void)mode.encryptLazy(key, iv, lazy), std::invalid_argument);
      EXPECT_THROW((void)mode.decryptLazy(key, iv, lazy), std::invalid_argument);
    }
  }
  try {
    (void)cbc(key, iv, ByteString(17));
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "cbc: input of 17 bytes is not a whole number of 16-byte blocks");
  }
}

// A cipher that returns one byte too few: the modes must report it, not read past the end.
struct ShortCipher {
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 64; }
  static std::optional<ShortCipher> buildKey(const ByteString& /*bytes*/) { return ShortCipher{}; }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    return ByteString(in.begin(), in.end() - 1);
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const { return encryptBlock(in); }
};

// The length check throws std::logic_error, of which std::invalid_argument (the whole-block
// check) is a kind: tell them apart by the text.
template <class F>
void expectLengthError(F&& run) {
  try {
    run();
    ADD_FAILURE() << "no exception";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("returned 7 bytes for an input of 8 bytes"),
              std::string::npos)
        << e.what();
  }
}

TEST(Modes, CipherGivingTheWrongLengthIsReported) {
  const ShortCipher key;
  const IV<ShortCipher> iv = ivOf<ShortCipher>(ByteString(8));
  const ByteString in(16);
  // ECB hands all blocks to the cipher at once.
  EXPECT_THROW((void)ecb(key, in), std::logic_error);
  EXPECT_THROW((void)unEcbLazy(key, cut(in, {3})), std::logic_error);
  for (const ChainedMode<ShortCipher>& mode : chainedModes<ShortCipher>()) {
    SCOPED_TRACE(mode.name);
    expectLengthError([&] { (void)mode.encrypt(key, iv, in); });
    expectLengthError([&] { (void)mode.decryptLazy(key, iv, cut(in, {5})); });
  }
}

// A key type brings its own CBC by a member that names IV of its own type, written the plain way
// inside its class body; kavrit::cbc must call it.
class OwnCbcKey {
 public:
  static long blockSize() { return 128; }
  static long keyLength() { return 128; }
  static std::optional<OwnCbcKey> buildKey(const ByteString& bytes) {
    auto inner = AES128::buildKey(bytes);
    if (!inner) return std::nullopt;
    return OwnCbcKey(*inner);
  }
  ByteString encryptBlock(const ByteString& in) const { return inner_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return inner_.decryptBlock(in); }
  std::pair<ByteString, IV<OwnCbcKey>> cbc(const IV<OwnCbcKey>& iv, const ByteString& in) const {
    ++calls;
    return {ByteString(in.size(), 0x5a), iv};  // recognisable output, not a real CBC
  }
  mutable int calls = 0;

 private:
  explicit OwnCbcKey(AES128 inner) : inner_(std::move(inner)) {}
  AES128 inner_;
};

TEST(Modes, KeyTypeWithItsOwnModeMemberIsUsed) {
  const OwnCbcKey key = OwnCbcKey::buildKey(ByteString(16)).value();
  const IV<OwnCbcKey> iv = IV<OwnCbcKey>::parse(ByteString(16)).value();
  const auto [out, next] = kavrit::cbc(key, iv, ByteString(32));
  EXPECT_EQ(key.calls, 1);
  EXPECT_EQ(out, ByteString(32, 0x5a));
  // The modes it does not bring stay generic.
  EXPECT_EQ(kavrit::unCbc(key, iv, ByteString(32)).first.size(), 32u);
  EXPECT_EQ(key.calls, 1);
}

}  // namespace
}  // namespace kavrit
