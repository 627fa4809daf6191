#include <rapidcheck.h>

#include <memory>
#include <utility>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/xts.hpp"
#include "laws/drawn_bytes.hpp"
#include "laws/drawn_keys.hpp"

namespace kavrit::test {
namespace {

constexpr std::size_t kBlock = 16;

// Data units of one to six blocks, a partial last block as often as a whole one.
ByteString drawDataUnit() {
  const auto length = *rc::gen::inRange<std::size_t>(kBlock, 6 * kBlock + 1);
  return detail::pickBytes(
      rc::gen::container<ByteString>(length, rc::gen::arbitrary<std::uint8_t>()));
}

ByteString drawTweak() {
  return detail::pickBytes(
      rc::gen::container<ByteString>(kBlock, rc::gen::arbitrary<std::uint8_t>()));
}

// Two keys from two seeds, different from each other: XTS is defined for a data key and tweak key
// that differ, and implementations (OpenSSL) refuse equal ones.
std::pair<std::unique_ptr<const AnyKey>, std::unique_ptr<const AnyKey>> drawKeys(
    const AnyBlockCipher& cipher, const RandomBytes& dataSeed, const RandomBytes& tweakSeed) {
  RC_PRE(!(keyMaterial(cipher.keyLength(), dataSeed.value) ==
           keyMaterial(cipher.keyLength(), tweakSeed.value)));
  return {detail::keyOrDiscard(cipher, dataSeed), detail::keyOrDiscard(cipher, tweakSeed)};
}

ByteString slice(const ByteString& bytes, std::size_t from, std::size_t to) {
  return ByteString(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                    bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

}  // namespace

std::vector<Test> makeXTSPropTests(const AnyBlockCipher& cipher) {
  Test inverts = testProperty("DecryptInvertsEncrypt", [&cipher](const RandomBytes& dataSeed,
                                                                 const RandomBytes& tweakSeed) {
    const auto [dataKey, tweakKey] = drawKeys(cipher, dataSeed, tweakSeed);
    const ByteString tweak = drawTweak();
    const ByteString data = drawDataUnit();
    const ByteString encrypted = dataKey->xts(false, *tweakKey, tweak, data);
    if (encrypted.size() != data.size()) {
      RC_FAIL("xtsEncrypt of " + std::to_string(data.size()) + " bytes gave " +
              std::to_string(encrypted.size()) + " bytes");
    }
    if (!(dataKey->xts(true, *tweakKey, tweak, encrypted) == data)) {
      RC_FAIL("xtsDecrypt of xtsEncrypt of " + std::to_string(data.size()) +
              " bytes does not give them back");
    }
  });
  // Ciphertext stealing changes the last two blocks only: the whole-block prefix encrypts to the
  // same blocks before them, and the partial block's ciphertext is the front of the last block the
  // prefix gives.
  Test stealing = testProperty(
      "StealingMatchesWholeBlocks",
      [&cipher](const RandomBytes& dataSeed, const RandomBytes& tweakSeed) {
        const auto [dataKey, tweakKey] = drawKeys(cipher, dataSeed, tweakSeed);
        const ByteString tweak = drawTweak();
        const ByteString data = drawDataUnit();
        const std::size_t n = data.size();
        const std::size_t r = n % kBlock;
        const std::size_t whole = n - r;
        const ByteString all = dataKey->xts(false, *tweakKey, tweak, data);
        const ByteString prefix = dataKey->xts(false, *tweakKey, tweak, slice(data, 0, whole));
        RC_PRE(all.size() == n && prefix.size() == whole);
        const std::size_t same = r == 0 ? whole : whole - kBlock;
        if (!(slice(all, 0, same) == slice(prefix, 0, same))) {
          RC_FAIL("xtsEncrypt of " + std::to_string(n) + " bytes and of its first " +
                  std::to_string(whole) + " differ in the first " + std::to_string(same) +
                  " bytes, before the blocks that ciphertext stealing changes");
        }
        if (!(slice(all, whole, n) == slice(prefix, whole - kBlock, whole - kBlock + r))) {
          RC_FAIL("the last " + std::to_string(r) + " bytes of xtsEncrypt of " + std::to_string(n) +
                  " bytes are not the front of the last block of xtsEncrypt " + "of its first " +
                  std::to_string(whole) + " bytes");
        }
      });
  std::vector<Test> group;
  group.push_back(std::move(inverts));
  group.push_back(std::move(stealing));
  std::vector<Test> out;
  out.push_back(testGroup("XTS Property Tests", std::move(group)));
  return out;
}

}  // namespace kavrit::test
