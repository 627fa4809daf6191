#include "kavrit/test/boundaries.hpp"
#include "kavrit/rapidcheck/generators.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <vector>

#include <rapidcheck.h>

namespace kavrit::test {
namespace {

template <class T>
T draw(const rc::Gen<T>& gen, rc::Random& random, int size = 50) {
  return gen(random.split(), size).value();
}

using Lengths = std::vector<std::size_t>;

TEST(BoundaryLengths, AroundBlockAndPaddingEdges) {
  EXPECT_EQ(boundaryLengths(64, 2), (Lengths{0, 1, 55, 56, 63, 64, 65, 119, 120, 127, 128, 129}));
  // 128-byte blocks carry a 16-byte length field.
  EXPECT_EQ(boundaryLengths(128, 1), (Lengths{0, 1, 111, 112, 127, 128, 129}));
  // Tiny blocks: the neighbourhoods overlap and nothing goes below zero.
  EXPECT_EQ(boundaryLengths(1, 2), (Lengths{0, 1, 2, 3}));
  EXPECT_THROW(boundaryLengths(0, 2), std::invalid_argument);
  EXPECT_THROW(boundaryLengths(kMaxBoundaryBlockBytes + 1, 2), std::invalid_argument);
}

TEST(ChunkPlans, FixedSizesSplitsAndTheirText) {
  const ChunkPlan sixties = fixedSizeChunks(129, 63);
  EXPECT_EQ(sixties.cuts, (Lengths{63, 126}));
  EXPECT_EQ(describeChunkPlan(sixties), "[0..63|63..126|126..129]");
  EXPECT_EQ(describeChunkPlan(ChunkPlan{129, {63, 64}}), "[0..63|63..64|64..129]");
  EXPECT_EQ(describeChunkPlan(splitAt(64, 64)), "[0..64]");
  EXPECT_EQ(describeChunkPlan(splitAt(0, 0)), "[]");
  EXPECT_EQ(describeChunkPlan(fixedSizeChunks(20, 1)),
            "[0..1|1..2|2..3|3..4|4..5|5..6|6..7|7..8|…|17..18|18..19|19..20]");
  EXPECT_THROW(fixedSizeChunks(10, 0), std::invalid_argument);
}

TEST(ChunkPlans, ApplyCutsTheRangeWhereThePlanCuts) {
  ByteString message(10);
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<std::uint8_t>(i);
  const ChunkPlan plan{10, {3, 7}};
  const LazyByteString whole = applyChunkPlan(message, plan);
  ASSERT_EQ(whole.chunks().size(), 3U);
  EXPECT_EQ(whole.chunks()[1], (ByteString{3, 4, 5, 6}));
  EXPECT_EQ(whole, message);
  const LazyByteString part = applyChunkPlan(message, plan, 5, 9);
  ASSERT_EQ(part.chunks().size(), 2U);
  EXPECT_EQ(part.chunks()[0], (ByteString{5, 6}));
  EXPECT_EQ(part.chunks()[1], (ByteString{7, 8}));
  EXPECT_TRUE(applyChunkPlan(message, plan, 4, 4).empty());
  EXPECT_THROW(applyChunkPlan(message, plan, 4, 11), std::invalid_argument);
  EXPECT_THROW(applyChunkPlan(message, ChunkPlan{9, {}}), std::invalid_argument);
}

// Documented: 7 in 8 draws are boundary lengths; every one of them comes up.
TEST(ArbitraryBoundaryLength, MostlyAtTheEdgesAndEveryEdgeComesUp) {
  const Lengths edgesList = boundaryLengths(64, kBoundaryBlocks);
  const std::set<std::size_t> edges(edgesList.begin(), edgesList.end());
  rc::Random random(11);
  std::map<std::size_t, int> seen;
  int atEdges = 0;
  const int draws = 8000;
  for (int i = 0; i < draws; ++i) {
    const std::size_t n = draw(arbitraryBoundaryLength(64), random);
    ASSERT_LE(n, (kBoundaryBlocks + 1) * 64);
    ++seen[n];
    atEdges += edges.count(n) != 0 ? 1 : 0;
  }
  EXPECT_GT(atEdges, draws * 84 / 100);  // 7/8 + what the uniform eighth hits
  EXPECT_LT(atEdges, draws * 96 / 100);
  for (const std::size_t edge : edges) EXPECT_GT(seen[edge], 0) << edge;
}

TEST(ArbitraryChunkPlan, CutsInsideAscendingAndMostlyAtBlockEdges) {
  rc::Random random(12);
  int cuts = 0;
  int atEdges = 0;
  for (int i = 0; i < 2000; ++i) {
    const ChunkPlan plan = draw(arbitraryChunkPlan(300, 64), random);
    ASSERT_EQ(plan.length, 300U);
    ASSERT_LE(plan.cuts.size(), kMaxPlanCuts);
    ASSERT_TRUE(std::is_sorted(plan.cuts.begin(), plan.cuts.end()));
    ASSERT_EQ(std::adjacent_find(plan.cuts.begin(), plan.cuts.end()), plan.cuts.end());
    for (const std::size_t cut : plan.cuts) {
      ASSERT_GT(cut, 0U);
      ASSERT_LT(cut, 300U);
      ++cuts;
      const std::size_t r = cut % 64;
      atEdges += (r == 0 || r == 1 || r == 63) ? 1 : 0;
    }
  }
  EXPECT_GT(atEdges, cuts * 6 / 10);  // 3/4 before repeated cuts merge
  EXPECT_TRUE(draw(arbitraryChunkPlan(1, 64), random).cuts.empty());
}

TEST(ArbitraryBoundaryByteString, LengthsFromTheEdgesAndChunksThatCoverThem) {
  rc::Random random(13);
  int chunked = 0;
  for (int i = 0; i < 500; ++i) {
    const LazyByteString lazy = draw(arbitraryBoundaryLazyByteString(16), random, 100);
    ASSERT_LE(lazy.size(), (kBoundaryBlocks + 1) * 16);
    std::size_t total = 0;
    for (const ByteString& chunk : lazy.chunks()) {
      ASSERT_FALSE(chunk.empty());
      total += chunk.size();
    }
    ASSERT_EQ(total, lazy.size());
    chunked += lazy.chunks().size() > 1 ? 1 : 0;
  }
  EXPECT_GT(chunked, 250);
  EXPECT_EQ(draw(arbitraryByteStringOfLength(77), random).size(), 77U);
  EXPECT_THROW(arbitraryBoundaryByteString(0), std::invalid_argument);
}

}  // namespace
}  // namespace kavrit::test
