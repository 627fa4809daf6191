#include "kavrit/rapidcheck/generators.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include <rapidcheck.h>

namespace kavrit::test {
namespace {

// One value of `gen` at `size`, each from its own split of `random`.
template <class T>
T draw(const rc::Gen<T>& gen, rc::Random& random, int size) {
  return gen(random.split(), size).value();
}

std::uint8_t largestByte(const ByteString& bytes) {
  return bytes.empty() ? 0 : *std::max_element(bytes.begin(), bytes.end());
}

TEST(ArbitraryByteString, LengthsStayWithinBounds) {
  rc::Random random(1);
  for (const int size : {0, 50, 100, 200}) {
    for (int i = 0; i < 300; ++i) {
      ASSERT_LE(draw(arbitraryByteString(), random, size).size(), kMaxDrawnBytes) << size;
    }
  }
}

// The length ignores the size parameter: at size 0 (where bytes cost nothing to draw) both ends
// of 0..4096 come up, and nothing beyond.
TEST(ArbitraryByteString, LengthsReachBothEnds) {
  rc::Random random(2);
  int zero = 0;
  int full = 0;
  for (int i = 0; i < 40000; ++i) {
    const std::size_t n = draw(arbitraryByteString(), random, 0).size();
    ASSERT_LE(n, kMaxDrawnBytes);
    zero += n == 0 ? 1 : 0;
    full += n == kMaxDrawnBytes ? 1 : 0;
  }
  EXPECT_GT(zero, 0);
  EXPECT_GT(full, 0);
}

TEST(ArbitraryByteString, LengthsAreRoughlyUniform) {
  rc::Random random(3);
  double sum = 0;
  int low = 0;
  int high = 0;
  int firstQuarter = 0;
  const int draws = 2000;
  for (int i = 0; i < draws; ++i) {
    const std::size_t n = draw(arbitraryByteString(), random, 100).size();
    sum += static_cast<double>(n);
    low += n < 64 ? 1 : 0;
    high += n > kMaxDrawnBytes - 64 ? 1 : 0;
    firstQuarter += n <= 1024 ? 1 : 0;
  }
  // The mean of 2000 uniform draws has a standard deviation of about 26.
  EXPECT_NEAR(sum / draws, 2048.0, 150.0);
  EXPECT_NEAR(firstQuarter, draws / 4, draws / 20);
  EXPECT_GT(low, 0);
  EXPECT_GT(high, 0);
}

// Bytes follow rc::gen::arbitrary<std::uint8_t>(): no bits at size 0, four at 50, all eight at
// 100 and above.
TEST(ArbitraryByteString, ByteRangeGrowsWithSize) {
  rc::Random random(4);
  const auto largestOver = [&random](int size) {
    std::uint8_t largest = 0;
    std::size_t total = 0;
    for (int i = 0; i < 20; ++i) {
      const ByteString bytes = draw(arbitraryByteString(), random, size);
      total += bytes.size();
      largest = std::max(largest, largestByte(bytes));
    }
    EXPECT_GT(total, 1000U);
    return largest;
  };
  EXPECT_EQ(largestOver(0), 0);
  EXPECT_EQ(largestOver(50), 15);
  EXPECT_EQ(largestOver(100), 255);
  EXPECT_EQ(largestOver(200), 255);
}

TEST(ArbitraryByteString, SameRandomSameBytes) {
  const rc::Random random(5);
  EXPECT_EQ(arbitraryByteString()(random, 100).value(), arbitraryByteString()(random, 100).value());
  EXPECT_EQ(arbitraryLazyByteString()(random, 100).value().chunks(),
            arbitraryLazyByteString()(random, 100).value().chunks());
}

TEST(DrawBytes, FillsExactlyTheRequestedBytes) {
  rc::Random random(6);
  // 13 bytes: one whole 8-byte word and a part word; the guard bytes after them stay as they are.
  std::array<std::uint8_t, 16> buffer{};
  buffer.fill(0xaa);
  drawBytes(random, 25, buffer.data(), 13);
  for (std::size_t i = 0; i < 13; ++i) EXPECT_LT(buffer[i], 4) << i;
  for (std::size_t i = 13; i < 16; ++i) EXPECT_EQ(buffer[i], 0xaa) << i;
  const std::array<std::uint8_t, 16> before = buffer;
  drawBytes(random, 100, buffer.data(), 0);
  EXPECT_EQ(buffer, before);
}

TEST(ArbitraryLazyByteString, ChunkCountsAndLengthsStayWithinBounds) {
  rc::Random random(7);
  std::size_t fewest = kMaxDrawnChunks;
  std::size_t most = 0;
  for (const int size : {0, 50, 100, 200}) {
    for (int i = 0; i < 150; ++i) {
      const LazyByteString lazy = draw(arbitraryLazyByteString(), random, size);
      const std::size_t count = lazy.chunks().size();
      ASSERT_LE(count, kMaxDrawnChunks);
      fewest = std::min(fewest, count);
      most = std::max(most, count);
      std::size_t total = 0;
      for (const ByteString& chunk : lazy.chunks()) {
        ASSERT_FALSE(chunk.empty());
        ASSERT_LE(chunk.size(), kMaxDrawnBytes);
        total += chunk.size();
        if (size == 0) {
          ASSERT_EQ(largestByte(chunk), 0);
        } else if (size == 50) {
          ASSERT_LT(largestByte(chunk), 16);
        }
      }
      ASSERT_EQ(total, lazy.size());
    }
  }
  EXPECT_EQ(fewest, 0U);
  EXPECT_EQ(most, kMaxDrawnChunks);
}

// Failures are reported exactly as drawn.
TEST(Arbitrary, DrawsHaveNoShrinks) {
  rc::Random random(8);
  for (const int size : {0, 100}) {
    for (int i = 0; i < 20; ++i) {
      EXPECT_FALSE(arbitraryByteString()(random.split(), size).shrinks().next());
      EXPECT_FALSE(arbitraryLazyByteString()(random.split(), size).shrinks().next());
      EXPECT_FALSE(rc::gen::arbitrary<RandomBytes>()(random.split(), size).shrinks().next());
    }
  }
}

TEST(Arbitrary, PropertyArgumentsShowAsQuotedLiterals) {
  EXPECT_EQ(rc::toString(RandomBytes{{'a', 0, '"'}}), R"("a\x00\"")");
  EXPECT_EQ(rc::toString(RandomLazyBytes{LazyByteString({{'a', 'b'}, {1}})}), R"({"ab", "\x01"})");
}

}  // namespace
}  // namespace kavrit::test
