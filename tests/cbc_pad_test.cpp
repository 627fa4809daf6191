// CBC with PKCS#7 padding: kavrit's generic cbcPad/unCbcPad and their lazy forms against OpenSSL's
// padded AES-CBC, the refusal of every bad padding shape, the block sizes it takes, and its hooks.

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/cbc_pad.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "openssl/openssl_aes.hpp"

namespace kavrit::test {
namespace {

using support::contains;
using support::IdentityCipher;
using support::randomBytes;

// OpenSSL's AES-CBC (key of 16 or 32 bytes), padding on unless `padding` is 0; nothing when
// OpenSSL refuses the input.
std::optional<ByteString> opensslCbc(const ByteString& key, const ByteString& iv,
                                     const ByteString& in, int encrypt, int padding = 1) {
  const std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                       EVP_CIPHER_CTX_free);
  const EVP_CIPHER* cipher = key.size() == 16 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
  if (!ctx || EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), iv.data(), encrypt) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), padding) != 1) {
    throw std::runtime_error("OpenSSL: CBC setup failed");
  }
  ByteString out(in.size() + 16);
  int written = 0;
  if (!in.empty() && EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(),
                                      static_cast<int>(in.size())) != 1) {
    return std::nullopt;
  }
  int last = 0;
  if (EVP_CipherFinal_ex(ctx.get(), out.data() + written, &last) != 1) return std::nullopt;
  out.resize(static_cast<std::size_t>(written + last));
  return out;
}

// `bytes` cut at random points, some of them inside blocks.
LazyByteString randomChunks(std::mt19937& rng, const ByteString& bytes) {
  std::vector<ByteString> chunks;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t n = std::min<std::size_t>(rng() % 23, bytes.size() - at);
    chunks.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  }
  return LazyByteString(std::move(chunks));
}

// Every length from 0 to 48 (empty, partial, whole and several blocks) and a few longer random
// ones, each under a fresh key and IV: all eight entry points against OpenSSL.
template <class Key>
void agreeWithOpenSSL(std::size_t keyBytes) {
  std::mt19937 rng(static_cast<unsigned>(0xCB7 + keyBytes));
  std::vector<std::size_t> lengths;
  for (std::size_t length = 0; length <= 48; ++length) lengths.push_back(length);
  for (int i = 0; i < 4; ++i) lengths.push_back(49 + rng() % 3000);
  for (const std::size_t length : lengths) {
    const std::string where = "length " + std::to_string(length);
    const ByteString keyValue = randomBytes(rng, keyBytes);
    const ByteString ivValue = randomBytes(rng, 16);
    const ByteString plaintext = randomBytes(rng, length);
    const ByteString expected = opensslCbc(keyValue, ivValue, plaintext, 1).value();
    const Key key = Key::buildKey(keyValue).value();
    const IV<Key> iv = IV<Key>::parse(ivValue).value();
    EXPECT_EQ(kavrit::cbcPad(key, iv, plaintext), expected) << where;
    EXPECT_EQ(kavrit::cbcPadLazy(key, iv, randomChunks(rng, plaintext)), expected) << where;
    EXPECT_EQ(kavrit::unCbcPad(key, iv, expected), plaintext) << where;
    EXPECT_EQ(kavrit::unCbcPadLazy(key, iv, randomChunks(rng, expected)), plaintext) << where;
    const auto any = anyBlockCipher<Key>().buildKey(keyValue);
    EXPECT_EQ(any->cbcPad(ivValue, plaintext), expected) << where;
    EXPECT_EQ(any->cbcPadLazy(ivValue, randomChunks(rng, plaintext)), expected) << where;
    EXPECT_EQ(any->unCbcPad(ivValue, expected), plaintext) << where;
    EXPECT_EQ(any->unCbcPadLazy(ivValue, randomChunks(rng, expected)), plaintext) << where;
  }
}

TEST(CbcPadGeneric, AgreesWithOpenSSLForAES128AndAES256) {
  agreeWithOpenSSL<examples::AES128>(16);
  agreeWithOpenSSL<examples::AES256>(32);
}

class CbcPadRefusals : public ::testing::Test {
 protected:
  // The ciphertext of `padded` (whole blocks, with whatever padding the test made), by OpenSSL
  // with its padding off.
  ByteString encryptRaw(const ByteString& padded) const {
    return opensslCbc(key_, iv_, padded, 1, 0).value();
  }

  // Every decrypting entry point refuses, and so does OpenSSL, which checks that the test made a
  // shape that is really bad.
  void expectRefused(const ByteString& ciphertext, const std::string& what) {
    const auto key = examples::AES128::buildKey(key_).value();
    const auto iv = IV<examples::AES128>::parse(iv_).value();
    const auto any = anyBlockCipher<examples::AES128>().buildKey(key_);
    EXPECT_EQ(opensslCbc(key_, iv_, ciphertext, 0), std::nullopt) << what << " (OpenSSL)";
    EXPECT_EQ(kavrit::unCbcPad(key, iv, ciphertext), std::nullopt) << what;
    EXPECT_EQ(kavrit::unCbcPadLazy(key, iv, randomChunks(rng_, ciphertext)), std::nullopt) << what;
    EXPECT_EQ(any->unCbcPad(iv_, ciphertext), std::nullopt) << what;
    EXPECT_EQ(any->unCbcPadLazy(iv_, randomChunks(rng_, ciphertext)), std::nullopt) << what;
  }

  std::mt19937 rng_{0x7ad};
  ByteString key_ = randomBytes(rng_, 16);
  ByteString iv_ = randomBytes(rng_, 16);
};

TEST_F(CbcPadRefusals, EveryBadPaddingShape) {
  const ByteString head = randomBytes(rng_, 16);
  for (const unsigned last : {0u, 17u, 0x80u, 0xffu}) {
    ByteString padded = head;
    const ByteString block = randomBytes(rng_, 15);
    padded.insert(padded.end(), block.begin(), block.end());
    padded.push_back(static_cast<std::uint8_t>(last));
    expectRefused(encryptRaw(padded), "last byte " + std::to_string(last));
  }
  // Consistent bytes do not make a pad longer than a block good.
  expectRefused(encryptRaw(ByteString(32, 17)), "32 bytes of 17");
  // For each pad length n, the good padding is taken; any one of its other n - 1 bytes off is not.
  for (std::size_t n = 1; n <= 16; ++n) {
    ByteString padded = head;
    const ByteString text = randomBytes(rng_, 16 - n);
    padded.insert(padded.end(), text.begin(), text.end());
    padded.insert(padded.end(), n, static_cast<std::uint8_t>(n));
    ByteString want(padded.begin(), padded.end() - static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(kavrit::unCbcPad(examples::AES128::buildKey(key_).value(),
                               IV<examples::AES128>::parse(iv_).value(), encryptRaw(padded)),
              want)
        << "good padding of " << n;
    for (std::size_t i = 1; i < n; ++i) {
      ByteString bad = padded;
      bad[bad.size() - 1 - i] ^= static_cast<std::uint8_t>(1u << (i % 8));
      expectRefused(encryptRaw(bad),
                    "pad of " + std::to_string(n) + " with byte " + std::to_string(i) + " off");
    }
  }
}

TEST_F(CbcPadRefusals, LengthsThatNoPaddingGives) {
  const ByteString ciphertext = opensslCbc(key_, iv_, randomBytes(rng_, 20), 1).value();
  ASSERT_EQ(ciphertext.size(), 32u);
  expectRefused({}, "empty");
  for (std::size_t cut = 1; cut < 16; ++cut) {
    expectRefused(
        ByteString(ciphertext.begin(), ciphertext.end() - static_cast<std::ptrdiff_t>(cut)),
        "truncated by " + std::to_string(cut));
  }
  ByteString longer = ciphertext;
  longer.push_back(0);
  expectRefused(longer, "one byte over whole blocks");
}

// Round trips on a cipher that leaves blocks as they are, with the pad itself read back through
// unpadded unCbc: blocks of 1 and of 255 bytes are the smallest and largest PKCS#7 can pad.
template <long BlockBits>
void roundTripsWithPadOf(std::size_t blockBytes) {
  using Key = IdentityCipher<BlockBits>;
  const Key key;
  const IV<Key> iv = IV<Key>::parse(ByteString(blockBytes, 0x5a)).value();
  std::mt19937 rng(static_cast<unsigned>(blockBytes));
  for (const std::size_t length : {std::size_t{0}, std::size_t{1}, blockBytes - 1, blockBytes,
                                   blockBytes + 1, 3 * blockBytes}) {
    const ByteString plaintext = randomBytes(rng, length);
    const ByteString ciphertext = kavrit::cbcPad(key, iv, plaintext);
    const std::size_t n = blockBytes - length % blockBytes;
    ByteString padded = plaintext;
    padded.insert(padded.end(), n, static_cast<std::uint8_t>(n));
    EXPECT_EQ(kavrit::unCbc(key, iv, ciphertext).first, padded) << "length " << length;
    EXPECT_EQ(kavrit::unCbcPad(key, iv, ciphertext), plaintext) << "length " << length;
    EXPECT_EQ(kavrit::unCbcPadLazy(key, iv, randomChunks(rng, ciphertext)), plaintext);
  }
}

TEST(CbcPadGeneric, BlocksOf1To255Bytes) {
  roundTripsWithPadOf<8>(1);
  roundTripsWithPadOf<2040>(255);
}

TEST(CbcPadGeneric, RefusesBlocksOver255Bytes) {
  using Key = IdentityCipher<2048>;
  const IV<Key> iv = IV<Key>::parse(ByteString(256)).value();
  const auto expectThrows = [](auto call, const char* name) {
    try {
      (void)call();
      ADD_FAILURE() << name << ": no error";
    } catch (const std::invalid_argument& e) {
      EXPECT_TRUE(contains(e.what(), std::string(name) + ": a block of 256 bytes; PKCS#7 padding "
                                                         "needs blocks of 1 to 255 bytes"))
          << e.what();
    }
  };
  expectThrows([&] { return kavrit::cbcPad(Key{}, iv, ByteString(3)); }, "cbcPad");
  expectThrows([&] { return kavrit::unCbcPad(Key{}, iv, ByteString(256)); }, "unCbcPad");
  expectThrows([&] { return kavrit::cbcPadLazy(Key{}, iv, LazyByteString()); }, "cbcPadLazy");
  const auto any = anyBlockCipher<Key>().buildKey({});
  expectThrows([&] { return any->unCbcPadLazy(ByteString(256), LazyByteString()); },
               "unCbcPadLazy");
}

// ---- Hooks ----

// AES-128 whose padded CBC is OpenSSL's own; each hook call is counted.
class OpenSSLCbcPadAES128 {
 public:
  static inline int calls = 0;

  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<OpenSSLCbcPadAES128> buildKey(const ByteString& bytes) {
    auto aes = examples::AES128::buildKey(bytes);
    if (!aes) return std::nullopt;
    return OpenSSLCbcPadAES128(std::move(*aes), bytes);
  }
  ByteString encryptBlock(const ByteString& in) const { return aes_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return aes_.decryptBlock(in); }

  ByteString cbcPad(const IV<OpenSSLCbcPadAES128>& iv, const ByteString& plaintext) const {
    ++calls;
    return opensslCbc(key_, iv.bytes(), plaintext, 1).value();
  }
  std::optional<ByteString> unCbcPad(const IV<OpenSSLCbcPadAES128>& iv,
                                     const ByteString& ciphertext) const {
    ++calls;
    return opensslCbc(key_, iv.bytes(), ciphertext, 0);
  }
  ByteString cbcPadLazy(const IV<OpenSSLCbcPadAES128>& iv, const LazyByteString& plaintext) const {
    return cbcPad(iv, plaintext.flatten());
  }
  std::optional<ByteString> unCbcPadLazy(const IV<OpenSSLCbcPadAES128>& iv,
                                         const LazyByteString& ciphertext) const {
    return unCbcPad(iv, ciphertext.flatten());
  }

 private:
  OpenSSLCbcPadAES128(examples::AES128 aes, ByteString key)
      : aes_(std::move(aes)), key_(std::move(key)) {}
  examples::AES128 aes_;
  ByteString key_;
};

// Only the strict decryption is the key type's own, and it refuses everything.
struct RefusesAll : support::AnyAES<RefusesAll> {
  std::optional<ByteString> unCbcPad(const IV<RefusesAll>&, const ByteString&) const {
    return std::nullopt;
  }
};

static constexpr std::string_view kEntries[] = {"cbcPad", "unCbcPad", "cbcPadLazy", "unCbcPadLazy"};

TEST(CbcPadHooks, OwnMembersAreCalledAndDescribed) {
  using K = OpenSSLCbcPadAES128;
  const ByteString keyValue(16, 7);
  const ByteString ivValue(16, 9);
  const K key = K::buildKey(keyValue).value();
  const IV<K> iv = IV<K>::parse(ivValue).value();
  const ByteString plaintext(21, 0x33);
  const auto any = anyBlockCipher<K>().buildKey(keyValue);
  K::calls = 0;
  const ByteString ciphertext = kavrit::cbcPad(key, iv, plaintext);
  EXPECT_EQ(kavrit::unCbcPad(key, iv, ciphertext), plaintext);
  EXPECT_EQ(kavrit::cbcPadLazy(key, iv, LazyByteString({plaintext})), ciphertext);
  EXPECT_EQ(kavrit::unCbcPadLazy(key, iv, LazyByteString({ciphertext})), plaintext);
  EXPECT_EQ(any->cbcPad(ivValue, plaintext), ciphertext);
  EXPECT_EQ(any->unCbcPad(ivValue, ciphertext), plaintext);
  EXPECT_EQ(any->cbcPadLazy(ivValue, LazyByteString({plaintext})), ciphertext);
  EXPECT_EQ(any->unCbcPadLazy(ivValue, LazyByteString({ciphertext})), plaintext);
  EXPECT_EQ(K::calls, 8);

  EXPECT_EQ(ownCbcPadHooks<K>(),
            std::vector<std::string_view>(std::begin(kEntries), std::end(kEntries)));
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<K>(), kEntries),
            "own cbcPad/unCbcPad/cbcPadLazy/unCbcPadLazy");
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<examples::AES128>(), kEntries),
            "kavrit cbcPad/unCbcPad/cbcPadLazy/unCbcPadLazy");
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<RefusesAll>(), kEntries),
            "own unCbcPad, kavrit cbcPad/cbcPadLazy/unCbcPadLazy");

  // The refusing hook is what answers; the lazy form is still kavrit's and decrypts.
  const auto refuses = RefusesAll::buildKey(keyValue).value();
  const auto refusesIv = IV<RefusesAll>::parse(ivValue).value();
  EXPECT_EQ(kavrit::unCbcPad(refuses, refusesIv, ciphertext), std::nullopt);
  EXPECT_EQ(anyBlockCipher<RefusesAll>().buildKey(keyValue)->unCbcPad(ivValue, ciphertext),
            std::nullopt);
  EXPECT_EQ(kavrit::unCbcPadLazy(refuses, refusesIv, LazyByteString({ciphertext})), plaintext);
}

// AES whose own strict CBC marks the first byte of what it gives: bit 0 when encrypting, bit 1 when
// decrypting.
struct CbcMarksFirstByte : support::AnyAES<CbcMarksFirstByte> {
  using Self = CbcMarksFirstByte;
  std::pair<ByteString, IV<Self>> cbc(const IV<Self>& iv, const ByteString& in) const {
    kavrit::detail::CbcEncryptStep<Self> step{*this, iv.bytes()};
    ByteString out = kavrit::detail::runStrict("cbc", 16, in, step);
    out.at(0) ^= 0x01;
    return {std::move(out), IV<Self>::parse(step.state).value()};
  }
  std::pair<ByteString, IV<Self>> unCbc(const IV<Self>& iv, const ByteString& in) const {
    kavrit::detail::CbcDecryptStep<Self> step{*this, iv.bytes()};
    ByteString out = kavrit::detail::runStrict("unCbc", 16, in, step);
    out.at(0) ^= 0x02;
    return {std::move(out), IV<Self>::parse(step.state).value()};
  }
};

// Its own unCbc gives one block too few.
struct UnCbcDropsABlock : support::AnyAES<UnCbcDropsABlock> {
  std::pair<ByteString, IV<UnCbcDropsABlock>> unCbc(const IV<UnCbcDropsABlock>& iv,
                                                    const ByteString& in) const {
    return {ByteString(in.begin() + 16, in.end()), iv};
  }
};

TEST(CbcPadHooks, GenericRunsOverTheKeyTypesOwnCbc) {
  const ByteString keyValue(16, 1);
  const ByteString ivValue(16, 2);
  const ByteString plaintext(40, 0x44);
  const ByteString reference = opensslCbc(keyValue, ivValue, plaintext, 1).value();
  ByteString marked = reference;
  marked[0] ^= 0x01;
  ByteString markedPlaintext = plaintext;
  markedPlaintext[0] ^= 0x02;

  using K = CbcMarksFirstByte;
  const K key = K::buildKey(keyValue).value();
  const IV<K> iv = IV<K>::parse(ivValue).value();
  const auto any = anyBlockCipher<K>().buildKey(keyValue);
  EXPECT_EQ(kavrit::cbcPad(key, iv, plaintext), marked);
  EXPECT_EQ(any->cbcPad(ivValue, plaintext), marked);
  EXPECT_EQ(kavrit::unCbcPad(key, iv, reference), markedPlaintext);
  EXPECT_EQ(any->unCbcPad(ivValue, reference), markedPlaintext);
  // The lazy forms run over cbcLazy and unCbcLazy, which this type leaves to kavrit.
  EXPECT_EQ(kavrit::cbcPadLazy(key, iv, LazyByteString({plaintext})), reference);
  EXPECT_EQ(any->unCbcPadLazy(ivValue, LazyByteString({reference})), plaintext);

  // An own unCbc that gives too few bytes is the implementation's fault, not a refusal.
  const auto shortKey = UnCbcDropsABlock::buildKey(keyValue).value();
  try {
    (void)kavrit::unCbcPad(shortKey, IV<UnCbcDropsABlock>::parse(ivValue).value(), reference);
    FAIL() << "no error";
  } catch (const std::logic_error& e) {
    EXPECT_TRUE(contains(e.what(), "unCbc returned 32 bytes for an input of 48 bytes")) << e.what();
  }
}

}  // namespace
}  // namespace kavrit::test
