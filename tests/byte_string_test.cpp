#include "kavrit/byte_string.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <vector>

#include "kavrit/block_cipher.hpp"

namespace kavrit {
namespace {

TEST(LazyByteString, DropsEmptyChunksAndKeepsOrder) {
  const LazyByteString lazy({{}, {1, 2}, {}, {3}, {}});
  ASSERT_EQ(lazy.chunks().size(), 2U);
  EXPECT_EQ(lazy.chunks()[0], (ByteString{1, 2}));
  EXPECT_EQ(lazy.chunks()[1], (ByteString{3}));
  EXPECT_EQ(lazy.size(), 3U);
  EXPECT_FALSE(lazy.empty());
  EXPECT_EQ(lazy.flatten(), (ByteString{1, 2, 3}));

  const LazyByteString onlyEmpty({{}, {}});
  EXPECT_TRUE(onlyEmpty.chunks().empty());
  EXPECT_TRUE(onlyEmpty.empty());
  EXPECT_TRUE(onlyEmpty.flatten().empty());
}

TEST(LazyByteString, AppendKeepsSizeInStep) {
  LazyByteString lazy;
  lazy.append({});
  EXPECT_TRUE(lazy.chunks().empty());
  lazy.append({7});
  lazy.append({8, 9});
  lazy.append({});
  EXPECT_EQ(lazy.chunks().size(), 2U);
  EXPECT_EQ(lazy.size(), 3U);
  EXPECT_EQ(lazy.flatten(), (ByteString{7, 8, 9}));
}

TEST(LazyByteString, EqualityIgnoresChunkBoundaries) {
  const LazyByteString a({{1, 2, 3}, {4}});
  const LazyByteString b({{1}, {2, 3, 4}});
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a == (ByteString{1, 2, 3, 4}));
  EXPECT_FALSE(a == LazyByteString({{1, 2, 3}}));
  EXPECT_FALSE(a == LazyByteString({{1, 2, 3, 5}}));
  EXPECT_FALSE(a == (ByteString{1, 2, 3, 4, 0}));
  EXPECT_TRUE(LazyByteString() == ByteString{});
}

struct Cipher64 {
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 64; }
  static std::optional<Cipher64> buildKey(const ByteString& /*bytes*/) { return Cipher64{}; }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const { return in; }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const { return in; }
};

template <long Bits>
struct CipherOfBits : Cipher64 {
  static constexpr long blockSize() { return Bits; }
  static std::optional<CipherOfBits> buildKey(const ByteString& /*bytes*/) {
    return CipherOfBits{};
  }
};

TEST(IV, ParseTakesOneBlockFromTheFront) {
  EXPECT_EQ(IV<Cipher64>::parse({1, 2, 3, 4, 5, 6, 7}), std::nullopt);
  const std::optional<IV<Cipher64>> exact = IV<Cipher64>::parse({1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(exact.has_value());
  EXPECT_EQ(exact->bytes(), (ByteString{1, 2, 3, 4, 5, 6, 7, 8}));
  const std::optional<IV<Cipher64>> longer = IV<Cipher64>::parse({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  ASSERT_TRUE(longer.has_value());
  EXPECT_EQ(longer, exact);
}

TEST(BlockBytes, WholeBytesOrAnError) {
  EXPECT_EQ(blockBytes<Cipher64>(), 8U);
  EXPECT_EQ(blockBytes<CipherOfBits<8>>(), 1U);
  EXPECT_THROW((void)blockBytes<CipherOfBits<7>>(), std::invalid_argument);
  EXPECT_THROW((void)blockBytes<CipherOfBits<0>>(), std::invalid_argument);
  EXPECT_THROW((void)blockBytes<CipherOfBits<-8>>(), std::invalid_argument);
  // Modes refuse such ciphers before dividing by the block length.
  EXPECT_THROW((void)ecb(CipherOfBits<0>{}, ByteString(4)), std::invalid_argument);
}

}  // namespace
}  // namespace kavrit
