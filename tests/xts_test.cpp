// XTS: kavrit's generic xtsEncrypt/xtsDecrypt against OpenSSL's and Nettle's XTS on random inputs,
// the XTS builder on the committed XTSVS files, its hooks, and the faults it catches.

#include <gtest/gtest.h>
#include <nettle/xts.h>

#include <algorithm>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/test/xts.hpp"
#include "kavrit/xts.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_xts.hpp"

namespace kavrit::test {
namespace {

using support::caseNames;
using support::contains;
using support::failingProperties;
using support::failureOf;
using support::IdentityCipher;
using support::randomBytes;
using support::ScratchVectorDir;
using Tree = kavrit::test::Test;

ByteString nettleXts(bool encrypt, const ByteString& key, const ByteString& tweak,
                     const ByteString& data) {
  ByteString out(data.size());
  if (key.size() == 32) {
    xts_aes128_key ctx;
    if (encrypt) {
      xts_aes128_set_encrypt_key(&ctx, key.data());
      xts_aes128_encrypt_message(&ctx, tweak.data(), data.size(), out.data(), data.data());
    } else {
      xts_aes128_set_decrypt_key(&ctx, key.data());
      xts_aes128_decrypt_message(&ctx, tweak.data(), data.size(), out.data(), data.data());
    }
  } else {
    xts_aes256_key ctx;
    if (encrypt) {
      xts_aes256_set_encrypt_key(&ctx, key.data());
      xts_aes256_encrypt_message(&ctx, tweak.data(), data.size(), out.data(), data.data());
    } else {
      xts_aes256_set_decrypt_key(&ctx, key.data());
      xts_aes256_decrypt_message(&ctx, tweak.data(), data.size(), out.data(), data.data());
    }
  }
  return out;
}

// Every data unit length from one to five blocks (whole and partial last blocks) under fresh
// random keys and tweaks, both directions.
template <class Key, class Reference>
void agreeOnRandomInputs(Reference reference) {
  constexpr std::size_t keyBytes = Key::keyLength() / 8;
  std::mt19937 rng(0x38e);
  for (std::size_t length = 16; length <= 80; ++length) {
    const ByteString key1 = randomBytes(rng, keyBytes);
    const ByteString key2 = randomBytes(rng, keyBytes);
    ByteString both = key1;
    both.insert(both.end(), key2.begin(), key2.end());
    const ByteString tweak = randomBytes(rng, 16);
    const ByteString data = randomBytes(rng, length);
    const Key k1 = Key::buildKey(key1).value();
    const Key k2 = Key::buildKey(key2).value();
    EXPECT_EQ(kavrit::xtsEncrypt(k1, k2, tweak, data), reference(true, both, tweak, data))
        << "xtsEncrypt, length " << length;
    EXPECT_EQ(kavrit::xtsDecrypt(k1, k2, tweak, data), reference(false, both, tweak, data))
        << "xtsDecrypt, length " << length;
  }
}

TEST(XTSGeneric, AgreesWithOpenSSL) {
  const auto openssl = [](long bits) {
    return [bits](bool encrypt, const ByteString& k, const ByteString& t, const ByteString& d) {
      return examples::opensslXts(bits, encrypt, k, t, d);
    };
  };
  agreeOnRandomInputs<examples::AES128>(openssl(128));
  agreeOnRandomInputs<examples::AES256>(openssl(256));
}

TEST(XTSGeneric, AgreesWithNettle) {
  agreeOnRandomInputs<examples::AES128>(nettleXts);
  agreeOnRandomInputs<examples::AES256>(nettleXts);
}

void expectRefusal(const std::function<void()>& call, const std::string& text) {
  try {
    call();
    ADD_FAILURE() << "no error; expected: " << text;
  } catch (const std::invalid_argument& e) {
    EXPECT_TRUE(contains(e.what(), text)) << e.what();
  }
}

TEST(XTSGeneric, RefusesShortDataTweaksOfOtherLengthsAndOtherBlocks) {
  const auto key = examples::AES128::buildKey(ByteString(16)).value();
  expectRefusal([&] { (void)kavrit::xtsEncrypt(key, key, ByteString(16), ByteString(15)); },
                "xtsEncrypt: a data unit of 15 bytes; XTS needs at least one 16-byte block");
  expectRefusal([&] { (void)kavrit::xtsDecrypt(key, key, ByteString(16), ByteString()); },
                "xtsDecrypt: a data unit of 0 bytes");
  expectRefusal([&] { (void)kavrit::xtsEncrypt(key, key, ByteString(8), ByteString(32)); },
                "xtsEncrypt: a tweak of 8 bytes; the tweak is one 16-byte block");
  // The lengths are checked before an own hook is called, too.
  const auto own = examples::XTSAES128::buildKey(ByteString(16)).value();
  expectRefusal([&] { (void)kavrit::xtsEncrypt(own, own, ByteString(16), ByteString(3)); },
                "a data unit of 3 bytes");
  // A block size that is not a constant expression is refused when called.
  const IdentityCipher<64> narrow;
  expectRefusal([&] { (void)kavrit::xtsEncrypt(narrow, narrow, ByteString(16), ByteString(16)); },
                "a block of 64 bits; XTS is defined for 128-bit blocks");
  expectRefusal([] { (void)makeXTSTests<IdentityCipher<64>>(); },
                "makeXTSTests: a block of 64 bits");
}

// ---- The builder ----

std::vector<Tree> casesOf(std::vector<Tree> trees) {
  std::vector<Tree> cases;
  for (Tree& t : trees) {
    if (t.kind() == Tree::Kind::Case) cases.push_back(std::move(t));
  }
  return cases;
}

std::size_t countContaining(const std::vector<std::string>& names, const std::string& part) {
  return static_cast<std::size_t>(std::count_if(
      names.begin(), names.end(), [&part](const std::string& n) { return contains(n, part); }));
}

template <class K>
void expectAllPass(std::size_t cases, const std::string& file) {
  const std::vector<Tree> trees = makeXTSTests<K>();
  const std::vector<std::string> names = caseNames(trees);
  EXPECT_EQ(names.size(), cases);
  EXPECT_EQ(names.front(), file + "-ENCRYPT-1");
  EXPECT_EQ(countContaining(names, "-DECRYPT-"), cases / 2);
  EXPECT_EQ(names.back(), file + "-DECRYPT-500");
  EXPECT_TRUE(caseNames(trees, true).empty());
  EXPECT_EQ(trees.back().name(), "XTS Property Tests");
  EXPECT_TRUE(failingProperties({trees.back()}).empty());
}

TEST(XTSTests, EveryCommittedVectorPassesOnKavritsXTSOverOpenSSL) {
  expectAllPass<examples::AES128>(800, "XTSGenAES128.rsp");
  expectAllPass<examples::AES256>(600, "XTSGenAES256.rsp");
  // No file for 192-bit keys: the laws alone.
  const std::vector<Tree> aes192 = makeXTSTests<examples::AES192>();
  ASSERT_EQ(aes192.size(), 1u);
  EXPECT_TRUE(failingProperties(aes192).empty());
}

TEST(XTSTests, OpenSSLsOwnXTSPasses) {
  expectAllPass<examples::XTSAES128>(800, "XTSGenAES128.rsp");
  expectAllPass<examples::XTSAES256>(600, "XTSGenAES256.rsp");
}

// AES-128 or AES-256 behind one key type of that length; `Fault` may override any member.
template <class Fault, long Bits = 128>
struct XtsAES {
  examples::OpenSSLAES<Bits> aes;
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return Bits; }
  static std::optional<Fault> buildKey(const ByteString& key) {
    if (auto k = examples::OpenSSLAES<Bits>::buildKey(key)) return Fault{{*k}};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const { return aes.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return aes.decryptBlock(in); }
  ByteString generic(const Fault& other, bool decrypt, const ByteString& t,
                     const ByteString& d) const {
    return kavrit::detail::xtsOver(*this, static_cast<const XtsAES&>(other), 16, decrypt, t, d);
  }
};

// Nettle's XTS as the key type's own, over the two keys' bytes.
template <long Bits>
struct NettleXTS : XtsAES<NettleXTS<Bits>, Bits> {
  ByteString keyBytes;
  static std::optional<NettleXTS> buildKey(const ByteString& key) {
    auto aes = examples::OpenSSLAES<Bits>::buildKey(key);
    if (!aes) return std::nullopt;
    return NettleXTS{{*aes}, key};
  }
  ByteString both(const NettleXTS& other) const {
    ByteString key = keyBytes;
    key.insert(key.end(), other.keyBytes.begin(), other.keyBytes.end());
    return key;
  }
  ByteString xtsEncrypt(const NettleXTS& o, const ByteString& t, const ByteString& d) const {
    return nettleXts(true, both(o), t, d);
  }
  ByteString xtsDecrypt(const NettleXTS& o, const ByteString& t, const ByteString& d) const {
    return nettleXts(false, both(o), t, d);
  }
};

TEST(XTSTests, NettlesOwnXTSPasses) {
  expectAllPass<NettleXTS<128>>(800, "XTSGenAES128.rsp");
  expectAllPass<NettleXTS<256>>(600, "XTSGenAES256.rsp");
}

// The ciphertext one bit off, from the key type's own xtsEncrypt.
struct FlippedOutput : XtsAES<FlippedOutput> {
  ByteString xtsEncrypt(const FlippedOutput& o, const ByteString& t, const ByteString& d) const {
    ByteString out = generic(o, false, t, d);
    out.back() ^= 1;
    return out;
  }
};

// The cipher itself one bit off, decryptBlock still its inverse; kavrit's XTS runs over it.
struct FlippedBlock : XtsAES<FlippedBlock> {
  static ByteString flip(ByteString blocks) {
    for (std::size_t i = 0; i < blocks.size(); i += 16) blocks[i] ^= 0x80;
    return blocks;
  }
  ByteString encryptBlock(const ByteString& in) const { return flip(aes.encryptBlock(in)); }
  ByteString decryptBlock(const ByteString& in) const { return aes.decryptBlock(flip(in)); }
};

// A decryption that gives back whatever it gets.
struct DecryptReturnsInput : XtsAES<DecryptReturnsInput> {
  ByteString xtsDecrypt(const DecryptReturnsInput&, const ByteString&, const ByteString& d) const {
    return d;
  }
};

// With a partial last block, the two stolen blocks written in each other's place: the partial
// one first. Decryption undoes the same swap, so the two stay each other's inverse.
template <long Bits>
struct SwappedStealing : XtsAES<SwappedStealing<Bits>, Bits> {
  static ByteString swapLastTwo(const ByteString& in, bool back) {
    const std::size_t r = in.size() % 16;
    if (r == 0) return in;
    const std::size_t at = in.size() - 16 - r;
    const std::size_t first = back ? r : 16;
    ByteString out(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(at));
    out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(at + first), in.end());
    out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(at),
               in.begin() + static_cast<std::ptrdiff_t>(at + first));
    return out;
  }
  ByteString xtsEncrypt(const SwappedStealing& o, const ByteString& t, const ByteString& d) const {
    return swapLastTwo(this->generic(o, false, t, d), false);
  }
  ByteString xtsDecrypt(const SwappedStealing& o, const ByteString& t, const ByteString& d) const {
    return this->generic(o, true, t, swapLastTwo(d, true));
  }
};

// The tweak doubled as a big-endian number, the common mistake.
struct BigEndianAlpha : XtsAES<BigEndianAlpha> {
  ByteString xtsEncrypt(const BigEndianAlpha& o, const ByteString& t, const ByteString& d) const {
    ByteString out;
    ByteString tweak = kavrit::detail::encryptChecked(o, t);
    for (std::size_t at = 0; at + 16 <= d.size(); at += 16) {
      const ByteString block = kavrit::detail::xtsBlock(*this, false, tweak, d.data() + at);
      out.insert(out.end(), block.begin(), block.end());
      tweak = kavrit::detail::cmacDouble(tweak, 0x87);
    }
    return out;
  }
};

TEST(XTSTests, FaultsFailTheirVectors) {
  // A wrong ciphertext or cipher fails every record it touches.
  const std::vector<Tree> flipped = makeXTSTests<FlippedOutput>();
  EXPECT_EQ(caseNames(flipped, true).size(), 400u);
  EXPECT_EQ(countContaining(caseNames(flipped, true), "-ENCRYPT-"), 400u);
  EXPECT_EQ(caseNames(makeXTSTests<FlippedBlock>(), true).size(), 800u);
  const auto failure = failureOf(casesOf(flipped).front());
  ASSERT_TRUE(failure.has_value());
  EXPECT_TRUE(contains(*failure, "XTSGenAES128.rsp-ENCRYPT-1")) << *failure;
  EXPECT_TRUE(contains(*failure, "xtsEncrypt of the PT differs from the CT")) << *failure;
  // Only the own xtsEncrypt is off, so kavrit's xtsDecrypt no longer inverts it; a cipher that
  // is off in both directions keeps the laws.
  const std::vector<std::string> laws = failingProperties({flipped.back()});
  EXPECT_NE(std::find(laws.begin(), laws.end(), "DecryptInvertsEncrypt"), laws.end());
  EXPECT_TRUE(failingProperties({makeXTSTests<FlippedBlock>().back()}).empty());

  // An accepting decryption fails every [DECRYPT] record.
  const std::vector<Tree> accepting = makeXTSTests<DecryptReturnsInput>();
  EXPECT_EQ(caseNames(accepting, true).size(), 400u);
  EXPECT_EQ(countContaining(caseNames(accepting, true), "-DECRYPT-"), 400u);

  // A big-endian tweak doubling fails the records of more than one block (200 and 256 bits).
  const std::vector<Tree> bigEndian = makeXTSTests<BigEndianAlpha>();
  EXPECT_EQ(caseNames(bigEndian, true).size(), 300u);
}

TEST(XTSTests, SwappedStealingFailsThePartialRecordsAndTheLaw) {
  // The 25-byte records are AES-128's only ones with a partial block: 100 in each direction.
  const std::vector<Tree> aes128 = makeXTSTests<SwappedStealing<128>>();
  const std::vector<std::string> failing = caseNames(aes128, true);
  EXPECT_EQ(failing.size(), 200u);
  for (const Tree& t : casesOf(aes128)) {
    if (std::find(failing.begin(), failing.end(), t.name()) == failing.end()) continue;
    EXPECT_TRUE(contains(*failureOf(t), "DataUnitLen = 200")) << *failureOf(t);
    break;
  }
  EXPECT_EQ(failingProperties({aes128.back()}),
            std::vector<std::string>{"StealingMatchesWholeBlocks"});
  // The AES-256 file has no partial block; the law still catches it.
  const std::vector<Tree> aes256 = makeXTSTests<SwappedStealing<256>>();
  EXPECT_TRUE(caseNames(aes256, true).empty());
  EXPECT_EQ(failingProperties({aes256.back()}),
            std::vector<std::string>{"StealingMatchesWholeBlocks"});
}

TEST(XTSTests, OwnHooksAreCalledAndDescribed) {
  static constexpr std::string_view kEntries[] = {"xtsEncrypt", "xtsDecrypt"};
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<examples::AES128>(), kEntries),
            "kavrit xtsEncrypt/xtsDecrypt");
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<examples::XTSAES256>(), kEntries),
            "own xtsEncrypt/xtsDecrypt");
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<DecryptReturnsInput>(), kEntries),
            "own xtsDecrypt, kavrit xtsEncrypt");
  EXPECT_EQ(ownXTSHooks<FlippedOutput>(), std::vector<std::string_view>{"xtsEncrypt"});
  const auto key = DecryptReturnsInput::buildKey(ByteString(16)).value();
  EXPECT_EQ(kavrit::xtsDecrypt(key, key, ByteString(16), ByteString(20, 7)), ByteString(20, 7));
  // Through the library, an own hook needs a tweak key of its own type.
  const auto own = anyBlockCipher<examples::XTSAES128>().buildKey(ByteString(16));
  const auto generic = anyBlockCipher<examples::AES128>().buildKey(ByteString(16));
  expectRefusal([&] { (void)own->xts(false, *generic, ByteString(16), ByteString(16)); },
                "xtsEncrypt: the tweak key is of another key type");
}

TEST(XTSTests, RecordsOfTheDirectory) {
  ScratchVectorDir data("Test/KAT_XTS");
  const std::string key(64, '0');
  const std::string tweak = "i = " + std::string(32, '0') + "\n";
  const std::string pt = "PT = " + std::string(32, '0') + "\n";
  // Record 1 is of whole bytes; record 2 (130 bits) yields no test; record 3's PT is shorter than
  // its DataUnitLen. The 256-bit file is for another key length.
  data.write("XTSGenAES128.rsp",
             "[ENCRYPT]\n\nCOUNT = 1\nDataUnitLen = 128\nKey = " + key + "\n" + tweak + pt +
                 "CT = " + std::string(32, '1') + "\n\nCOUNT = 2\nDataUnitLen = 130\nKey = " + key +
                 "\n" + tweak + pt + "CT = 00\n\nCOUNT = 3\nDataUnitLen = 256\nKey = " + key +
                 "\n" + tweak + pt + "CT = 00\n");
  data.write("XTSGenAES256.rsp", "[ENCRYPT]\n\nCOUNT = 9\nDataUnitLen = 8\nKey = 0g\n");
  const std::vector<Tree> trees = makeXTSTests<examples::AES128>();
  EXPECT_EQ(caseNames(trees),
            (std::vector<std::string>{"XTSGenAES128.rsp-ENCRYPT-1", "XTSGenAES128.rsp-ENCRYPT-3"}));
  const std::vector<Tree> cases = casesOf(trees);
  EXPECT_TRUE(contains(failureOf(cases[0]).value(), "xtsEncrypt of the PT differs from the CT"));
  const std::string shortPT = failureOf(cases[1]).value();
  EXPECT_TRUE(contains(shortPT, data.path("XTSGenAES128.rsp") + ":")) << shortPT;
  EXPECT_TRUE(contains(shortPT, "PT is not DataUnitLen = 256 bits long")) << shortPT;

  // A data unit under one block is no XTS record; the case says where it is.
  data.write("XTSGenAES128.rsp", "[ENCRYPT]\n\nCOUNT = 6\nDataUnitLen = 8\nKey = " + key + "\n" +
                                     tweak + "PT = 00\nCT = 00\n");
  const std::string oneByte = failureOf(casesOf(makeXTSTests<examples::AES128>()).at(0)).value();
  EXPECT_TRUE(contains(oneByte, "XTSGenAES128.rsp-ENCRYPT-6")) << oneByte;
  EXPECT_TRUE(contains(oneByte, data.path("XTSGenAES128.rsp") + ":3:")) << oneByte;
  EXPECT_TRUE(contains(oneByte, "DataUnitLen = 8 bits is under one 16-byte block")) << oneByte;

  // A Key that is not hex, or not two keys, names its file and line.
  data.write("XTSGenAES128.rsp",
             "[DECRYPT]\n\nCOUNT = 4\nDataUnitLen = 128\nKey = 0g\n" + tweak + pt + "CT = 00\n");
  try {
    (void)makeXTSTests<examples::AES128>();
    FAIL() << "a Key that is not hex was accepted";
  } catch (const std::exception& e) {
    EXPECT_TRUE(contains(e.what(), data.path("XTSGenAES128.rsp") + ":3:")) << e.what();
    EXPECT_TRUE(contains(e.what(), "XTSGenAES128.rsp-DECRYPT-4")) << e.what();
  }
  data.write("XTSGenAES128.rsp", "[DECRYPT]\n\nCOUNT = 5\nDataUnitLen = 128\nKey = " +
                                     key.substr(32) + "\n" + tweak + pt + "CT = 00\n");
  const std::string halfKey = failureOf(casesOf(makeXTSTests<examples::AES128>()).at(0)).value();
  EXPECT_TRUE(contains(halfKey, data.path("XTSGenAES128.rsp") + ":3:")) << halfKey;
  EXPECT_TRUE(contains(halfKey,
                       "the Key holds 16 bytes; XTS under this cipher takes two keys of "
                       "16 bytes"))
      << halfKey;
}

}  // namespace
}  // namespace kavrit::test
