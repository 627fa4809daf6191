#include "kavrit/test/boundaries.hpp"

#include <algorithm>
#include <stdexcept>

#include "kavrit/rapidcheck/generators.hpp"

namespace kavrit::test {
namespace {

using detail::uniformUpTo;

void requireBlockBytes(std::size_t blockBytes) {
  if (blockBytes == 0 || blockBytes > kMaxBoundaryBlockBytes) {
    throw std::invalid_argument("boundary inputs: a block of " + std::to_string(blockBytes) +
                                " bytes is outside 1.." + std::to_string(kMaxBoundaryBlockBytes));
  }
}

// One draw in `den` comes out true.
bool oneIn(rc::Random& random, std::size_t den) { return uniformUpTo(random, den - 1) == 0; }

std::size_t drawBoundaryLength(rc::Random& random, std::size_t blockBytes,
                               const std::vector<std::size_t>& edges) {
  if (oneIn(random, 8)) return uniformUpTo(random, (kBoundaryBlocks + 1) * blockBytes);
  return edges[uniformUpTo(random, edges.size() - 1)];
}

// The block edges j·B − 1, j·B, j·B + 1 strictly inside a message of `length` bytes.
std::vector<std::size_t> innerEdges(std::size_t length, std::size_t blockBytes) {
  std::vector<std::size_t> edges;
  for (std::size_t edge = blockBytes; edge - 1 < length; edge += blockBytes) {
    for (const std::size_t at : {edge - 1, edge, edge + 1}) {
      if (at > 0 && at < length) edges.push_back(at);
    }
  }
  // With blocks of one or two bytes the neighbourhoods of two edges overlap.
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  return edges;
}

ChunkPlan drawChunkPlan(rc::Random& random, std::size_t length, std::size_t blockBytes) {
  ChunkPlan plan{length, {}};
  if (length < 2) return plan;
  const std::vector<std::size_t> edges = innerEdges(length, blockBytes);
  const std::size_t count = uniformUpTo(random, kMaxPlanCuts);
  for (std::size_t i = 0; i < count; ++i) {
    if (!edges.empty() && !oneIn(random, 4)) {
      plan.cuts.push_back(edges[uniformUpTo(random, edges.size() - 1)]);
    } else {
      plan.cuts.push_back(1 + uniformUpTo(random, length - 2));
    }
  }
  std::sort(plan.cuts.begin(), plan.cuts.end());
  plan.cuts.erase(std::unique(plan.cuts.begin(), plan.cuts.end()), plan.cuts.end());
  return plan;
}

ByteString drawBytesOfLength(rc::Random& random, int size, std::size_t length) {
  ByteString bytes(length);
  drawBytes(random, size, bytes.data(), bytes.size());
  return bytes;
}

void appendRange(std::string& out, std::size_t from, std::size_t to) {
  out += std::to_string(from) + ".." + std::to_string(to);
}

}  // namespace

std::vector<std::size_t> boundaryLengths(std::size_t blockBytes, std::size_t blocks) {
  requireBlockBytes(blockBytes);
  const std::size_t lengthField = blockBytes / 8;
  std::vector<std::size_t> lengths;
  for (std::size_t j = 0; j <= blocks; ++j) {
    const std::size_t edge = j * blockBytes;
    for (const std::size_t below : {lengthField + 1, lengthField, std::size_t{1}}) {
      if (edge >= below) lengths.push_back(edge - below);
    }
    lengths.push_back(edge);
    lengths.push_back(edge + 1);
  }
  std::sort(lengths.begin(), lengths.end());
  lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
  return lengths;
}

ChunkPlan fixedSizeChunks(std::size_t length, std::size_t chunkSize) {
  if (chunkSize == 0) throw std::invalid_argument("fixedSizeChunks: a chunk size of 0");
  ChunkPlan plan{length, {}};
  for (std::size_t at = chunkSize; at < length; at += chunkSize) plan.cuts.push_back(at);
  return plan;
}

ChunkPlan splitAt(std::size_t length, std::size_t at) {
  ChunkPlan plan{length, {}};
  if (at > 0 && at < length) plan.cuts.push_back(at);
  return plan;
}

LazyByteString applyChunkPlan(const ByteString& message, const ChunkPlan& plan, std::size_t from,
                              std::size_t to) {
  if (plan.length != message.size() || from > to || to > message.size()) {
    throw std::invalid_argument("applyChunkPlan: a plan for " + std::to_string(plan.length) +
                                " bytes, bytes " + std::to_string(from) + ".." +
                                std::to_string(to) + " of a message of " +
                                std::to_string(message.size()));
  }
  std::vector<ByteString> chunks;
  std::size_t start = from;
  const auto take = [&](std::size_t end) {
    chunks.emplace_back(message.begin() + static_cast<std::ptrdiff_t>(start),
                        message.begin() + static_cast<std::ptrdiff_t>(end));
    start = end;
  };
  for (const std::size_t cut : plan.cuts) {
    if (cut > start && cut < to) take(cut);
  }
  take(to);
  return LazyByteString(std::move(chunks));
}

LazyByteString applyChunkPlan(const ByteString& message, const ChunkPlan& plan) {
  return applyChunkPlan(message, plan, 0, message.size());
}

std::string describeChunkPlan(const ChunkPlan& plan) {
  if (plan.length == 0) return "[]";
  std::vector<std::size_t> bounds{0};
  bounds.insert(bounds.end(), plan.cuts.begin(), plan.cuts.end());
  bounds.push_back(plan.length);
  const std::size_t chunks = bounds.size() - 1;
  std::string out = "[";
  for (std::size_t i = 0; i < chunks; ++i) {
    if (i > 0) out += '|';
    if (chunks > 12 && i == 8) {
      out += "…|";
      i = chunks - 3;
    }
    appendRange(out, bounds[i], bounds[i + 1]);
  }
  return out + "]";
}

rc::Gen<std::size_t> arbitraryBoundaryLength(std::size_t blockBytes) {
  requireBlockBytes(blockBytes);
  return rc::Gen<std::size_t>([blockBytes, edges = boundaryLengths(blockBytes, kBoundaryBlocks)](
                                  const rc::Random& seed, int /*size*/) {
    rc::Random random = seed;
    return rc::shrinkable::just(drawBoundaryLength(random, blockBytes, edges));
  });
}

rc::Gen<ChunkPlan> arbitraryChunkPlan(std::size_t length, std::size_t blockBytes) {
  requireBlockBytes(blockBytes);
  return rc::Gen<ChunkPlan>([length, blockBytes](const rc::Random& seed, int /*size*/) {
    rc::Random random = seed;
    return rc::shrinkable::just(drawChunkPlan(random, length, blockBytes));
  });
}

rc::Gen<ByteString> arbitraryBoundaryByteString(std::size_t blockBytes) {
  requireBlockBytes(blockBytes);
  return rc::Gen<ByteString>([blockBytes, edges = boundaryLengths(blockBytes, kBoundaryBlocks)](
                                 const rc::Random& seed, int size) {
    rc::Random random = seed;
    const std::size_t length = drawBoundaryLength(random, blockBytes, edges);
    return rc::shrinkable::just(drawBytesOfLength(random, size, length));
  });
}

rc::Gen<LazyByteString> arbitraryBoundaryLazyByteString(std::size_t blockBytes) {
  requireBlockBytes(blockBytes);
  return rc::Gen<LazyByteString>([blockBytes, edges = boundaryLengths(blockBytes, kBoundaryBlocks)](
                                     const rc::Random& seed, int size) {
    rc::Random random = seed;
    const std::size_t length = drawBoundaryLength(random, blockBytes, edges);
    const ByteString bytes = drawBytesOfLength(random, size, length);
    return rc::shrinkable::just(applyChunkPlan(bytes, drawChunkPlan(random, length, blockBytes)));
  });
}

rc::Gen<ByteString> arbitraryByteStringOfLength(std::size_t length) {
  return rc::Gen<ByteString>([length](const rc::Random& seed, int size) {
    rc::Random random = seed;
    return rc::shrinkable::just(drawBytesOfLength(random, size, length));
  });
}

void showValue(const ChunkPlan& plan, std::ostream& os) { os << describeChunkPlan(plan); }

}  // namespace kavrit::test
