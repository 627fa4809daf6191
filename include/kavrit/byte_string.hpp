#pragma once

/// @file
/// Byte strings as the cipher and hash interface passes them: strict (one contiguous buffer) and
/// lazy (an ordered list of non-empty chunks with the same content).

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kavrit {

/// A strict byte string: one contiguous sequence of octets.
using ByteString = std::vector<std::uint8_t>;

/// A byte string held as an ordered list of non-empty chunks. Two lazy byte strings are equal
/// when their contents are equal, whatever their chunk boundaries.
class LazyByteString {
 public:
  LazyByteString() = default;

  /// Takes the chunks in order; empty chunks are dropped.
  explicit LazyByteString(std::vector<ByteString> chunks) : chunks_(std::move(chunks)) {
    // Compacts in place by index: std::erase_if here, once inlined into a caller at -O2 or -O3,
    // makes GCC 12 warn (-Wfree-nonheap-object) in the user's own code.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < chunks_.size(); ++i) {
      if (chunks_[i].empty()) continue;
      if (kept != i) chunks_[kept] = std::move(chunks_[i]);
      size_ += chunks_[kept].size();
      ++kept;
    }
    chunks_.resize(kept);
  }

  /// The non-empty chunks, in order.
  [[nodiscard]] const std::vector<ByteString>& chunks() const noexcept { return chunks_; }

  /// Total number of bytes over all chunks.
  [[nodiscard]] std::size_t size() const noexcept { return size_; }

  [[nodiscard]] bool empty() const noexcept { return size_ == 0; }

  /// The content as one strict byte string.
  [[nodiscard]] ByteString flatten() const {
    ByteString out;
    out.reserve(size_);
    for (const auto& c : chunks_) out.insert(out.end(), c.begin(), c.end());
    return out;
  }

  /// Appends one chunk (dropped when empty).
  void append(ByteString chunk) {
    if (chunk.empty()) return;
    size_ += chunk.size();
    chunks_.push_back(std::move(chunk));
  }

  friend bool operator==(const LazyByteString& a, const LazyByteString& b) {
    return a.size_ == b.size_ && a.flatten() == b.flatten();
  }
  friend bool operator==(const LazyByteString& a, const ByteString& b) {
    return a.size_ == b.size() && a.flatten() == b;
  }

 private:
  std::vector<ByteString> chunks_;
  std::size_t size_ = 0;
};

}  // namespace kavrit
