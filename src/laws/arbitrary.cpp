#include "kavrit/rapidcheck/generators.hpp"

#include <algorithm>
#include <cstring>

#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/drawn_value_text.hpp"

namespace kavrit::test {

// By rejection on the smallest covering power of two, so every value is exactly equally likely.
std::size_t detail::uniformUpTo(rc::Random& random, std::size_t bound) {
  std::uint64_t mask = 1;
  while (mask < bound) mask = (mask << 1) | 1;
  for (;;) {
    const std::uint64_t v = random.next() & mask;
    if (v <= bound) return static_cast<std::size_t>(v);
  }
}

namespace {

using detail::uniformUpTo;

ByteString drawByteString(rc::Random& random, int size) {
  ByteString bytes(uniformUpTo(random, kMaxDrawnBytes));
  drawBytes(random, size, bytes.data(), bytes.size());
  return bytes;
}

}  // namespace

void drawBytes(rc::Random& random, int size, std::uint8_t* out, std::size_t n) {
  // rc::gen::arbitrary<std::uint8_t>() at size s takes round(s * 8 / 100) uniformly random bits
  // per byte. Cutting each 64-bit word of the random source into as many such bit fields as it
  // holds gives the same distribution with one draw per 64 / bits bytes.
  const int bits = std::clamp((std::max(size, 0) * 8 + 50) / 100, 0, 8);
  if (bits == 0) {
    std::fill_n(out, n, std::uint8_t{0});
    return;
  }
  const auto mask = static_cast<std::uint64_t>((1u << bits) - 1u);
  const auto perWord = static_cast<std::size_t>(64 / bits);
  for (std::size_t i = 0; i < n;) {
    std::uint64_t word = random.next();
    const std::size_t end = std::min(n, i + perWord);
    for (; i < end; ++i) {
      out[i] = static_cast<std::uint8_t>(word & mask);
      word >>= bits;
    }
  }
}

rc::Gen<ByteString> arbitraryByteString() {
  return rc::Gen<ByteString>([](const rc::Random& seed, int size) {
    rc::Random random = seed;
    return rc::shrinkable::just(drawByteString(random, size));
  });
}

rc::Gen<LazyByteString> arbitraryLazyByteString() {
  return rc::Gen<LazyByteString>([](const rc::Random& seed, int size) {
    rc::Random random = seed;
    const std::size_t count = uniformUpTo(random, kMaxDrawnChunks);
    std::vector<ByteString> chunks;
    chunks.reserve(count);
    for (std::size_t i = 0; i < count; ++i) chunks.push_back(drawByteString(random, size));
    return rc::shrinkable::just(LazyByteString(std::move(chunks)));
  });
}

void showValue(const RandomBytes& bytes, std::ostream& os) {
  os << describeDrawnBytes(bytes.value);
}

void showValue(const RandomLazyBytes& bytes, std::ostream& os) {
  os << describeDrawnLazyBytes(bytes.value);
}

}  // namespace kavrit::test
