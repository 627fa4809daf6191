// SHAKE128 and SHAKE256: the OpenSSL adapter against one-shot EVP output, the XOF laws on it,
// and the broken squeezes of broken_xof.hpp caught by the laws they break.

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "broken_xof.hpp"
#include "cipher_kat_support.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_xof.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/xof_props.hpp"
#include "kavrit/xof.hpp"
#include "openssl/openssl_shake.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using examples::OpenSSLShake128;
using examples::OpenSSLShake256;
using propcheck::leafFailure;
using propcheck::leafNames;
using propcheck::leaves;
using Tree = kavrit::test::Test;
using Names = std::vector<std::string>;

// The leaves of a group that fail, by name, under the fixed seed, and one leaf's report.
Names failing(const Tree& group) { return propcheck::failingLeaves(group); }
std::string failureText(const Tree& group, const std::string& name) {
  return propcheck::leafFailureText(group, name);
}
using support::contains;

ByteString oneShot(const EVP_MD* md, const ByteString& message, std::size_t n) {
  ByteString out(n);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EXPECT_EQ(EVP_DigestInit_ex(ctx, md, nullptr), 1);
  EXPECT_EQ(EVP_DigestUpdate(ctx, message.data(), message.size()), 1);
  EXPECT_EQ(EVP_DigestFinalXOF(ctx, out.data(), out.size()), 1);
  EVP_MD_CTX_free(ctx);
  return out;
}

// A lazy absorb that leaves out the last chunk.
struct DropsLastChunk : OpenSSLShake128 {
  explicit DropsLastChunk(OpenSSLShake128 inner) : OpenSSLShake128(std::move(inner)) {}
  static DropsLastChunk absorbStrict(const ByteString& m) {
    return DropsLastChunk(OpenSSLShake128::absorbStrict(m));
  }
  static DropsLastChunk absorb(const LazyByteString& m) {
    std::vector<ByteString> chunks = m.chunks();
    if (chunks.size() > 1) chunks.pop_back();
    return DropsLastChunk(OpenSSLShake128::absorb(LazyByteString(std::move(chunks))));
  }
};

TEST(XofConcept, EntryPointsAndHooks) {
  static_assert(Xof<OpenSSLShake128> && Xof<broken::RestartsSqueeze<OpenSSLShake256>>);
  EXPECT_EQ(ownXofHooks<OpenSSLShake128>(), std::vector<std::string_view>{"absorb"});
  EXPECT_EQ(describeXOFImplementation(anyXof<OpenSSLShake128>()), "own absorb");
  EXPECT_EQ(describeXOFImplementation(anyXof<broken::RestartsSqueeze<OpenSSLShake128>>()),
            "kavrit absorb");
  // kavrit's absorb joins the chunks: a state without its own gets the strict result.
  using Plain = broken::FlipsXofBit<OpenSSLShake256>;
  const LazyByteString lazy({hexStringToBS("0102"), hexStringToBS("03")});
  Plain plain = xofAbsorb<Plain>(lazy);
  EXPECT_EQ(xofSqueeze(plain, 40), xofOutput<Plain>(hexStringToBS("010203"), 40));
}

// Output lengths and split points across several blocks, against EVP's one-shot output.
TEST(OpenSSLShake, AgreesWithOneShotOutput) {
  EXPECT_EQ(toHex(xofOutput<OpenSSLShake128>({}, 32)),
            "7f9c2ba4e88f827d616045507605853ed73b8093f6efbc88eb1a6eacfa66ef26");
  for (const std::size_t length : {0u, 1u, 135u, 136u, 137u, 167u, 168u, 169u, 1000u}) {
    const ByteString message(length, 0xa3);
    const ByteString expected128 = oneShot(EVP_shake128(), message, 700);
    const ByteString expected256 = oneShot(EVP_shake256(), message, 700);
    OpenSSLShake128 s128 = OpenSSLShake128::absorbStrict(message);
    OpenSSLShake256 s256 = OpenSSLShake256::absorbStrict(message);
    ByteString got128, got256;
    for (const std::size_t n : {0u, 1u, 166u, 1u, 300u, 232u}) {
      const ByteString a = s128.squeeze(n);
      const ByteString b = s256.squeeze(n);
      got128.insert(got128.end(), a.begin(), a.end());
      got256.insert(got256.end(), b.begin(), b.end());
    }
    EXPECT_EQ(got128, expected128) << length;
    EXPECT_EQ(got256, expected256) << length;
  }
}

TEST(XofLaws, GroupAndLeaves) {
  const Tree laws = makeXOFPropTests<OpenSSLShake128>({.slow = true});
  EXPECT_EQ(laws.name(), "XOF Property Tests");
  EXPECT_EQ(leafNames(laws),
            (Names{"LazyEqualsStrict", "SplitSqueezeEqualsOneSqueeze", "SqueezeSplitsAtTheRate",
                   "ManySmallSqueezes", "LongerOutputExtendsShorter", "OutputLengths",
                   "MessageLengthsAroundTheRate", "CopiesSqueezeIndependently", "Long64KiBPlus1",
                   "Long1MiB"}));
  EXPECT_EQ(makeXOFPropTests<OpenSSLShake256>().children().back().name(), "Long64KiBPlus1");
}

TEST(XofLaws, HoldForOpenSSL) {
  EXPECT_EQ(failing(makeXOFPropTests<OpenSSLShake128>({.slow = true})), Names{});
  EXPECT_EQ(failing(makeXOFPropTests<OpenSSLShake256>()), Names{});
}

TEST(XofLaws, CatchASqueezeThatRestarts) {
  const Tree laws = makeXOFPropTests<broken::RestartsSqueeze<OpenSSLShake256>>();
  EXPECT_EQ(failing(laws),
            (Names{"SplitSqueezeEqualsOneSqueeze", "SqueezeSplitsAtTheRate", "ManySmallSqueezes",
                   "CopiesSqueezeIndependently", "Long64KiBPlus1"}));
  EXPECT_TRUE(contains(failureText(laws, "SqueezeSplitsAtTheRate"), "squeezes of 135, 278 bytes"))
      << failureText(laws, "SqueezeSplitsAtTheRate");
}

TEST(XofLaws, CatchASqueezeLosingBytesAtTheRate) {
  const Tree laws = makeXOFPropTests<broken::LosesBytesAtRate<OpenSSLShake128>>();
  EXPECT_EQ(failing(laws),
            (Names{"SplitSqueezeEqualsOneSqueeze", "SqueezeSplitsAtTheRate", "ManySmallSqueezes",
                   "CopiesSqueezeIndependently", "Long64KiBPlus1"}));
  EXPECT_TRUE(contains(failureText(laws, "SqueezeSplitsAtTheRate"), "squeezes of 167, 342 bytes"))
      << failureText(laws, "SqueezeSplitsAtTheRate");
}

TEST(XofLaws, CatchALazyAbsorbDroppingAChunk) {
  const Tree laws = makeXOFPropTests<DropsLastChunk>();
  EXPECT_EQ(failing(laws),
            (Names{"LazyEqualsStrict", "MessageLengthsAroundTheRate", "Long64KiBPlus1"}));
  EXPECT_TRUE(contains(failureText(laws, "LazyEqualsStrict"), "absorb over the chunks"));
}

}  // namespace
}  // namespace kavrit::test
