#include "kavrit/test/block_cipher_props.hpp"

namespace kavrit::test {

ByteString keyMaterial(long keyBits, const ByteString& seed) {
  const long n = keyBits / 8;
  if (n <= 0) return {};
  ByteString material(static_cast<std::size_t>(n));
  // Cycle through seed ++ [0]; an empty seed gives zeros.
  const std::size_t period = seed.size() + 1;
  for (std::size_t i = 0; i < material.size(); ++i) {
    const std::size_t j = i % period;
    material[i] = j < seed.size() ? seed[j] : 0;
  }
  return material;
}

LazyByteString takeLazy(const LazyByteString& bytes, std::size_t n) {
  LazyByteString out;
  for (const ByteString& chunk : bytes.chunks()) {
    if (n == 0) break;
    const std::size_t take = std::min(n, chunk.size());
    out.append(ByteString(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(take)));
    n -= take;
  }
  return out;
}

}  // namespace kavrit::test
