#pragma once

// What the construction oracles and the long construction laws share: the outcome of one call
// (bytes, a refusal or an exception), its comparison with another, and the key type at hand.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/hex.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test::detail {

struct Outcome {
  enum class Kind { Bytes, Refused, Threw };
  Kind kind = Kind::Bytes;
  ByteString bytes;
  ByteString tag;  // AEAD only
  std::string error;
};

inline Outcome outcomeOf(ByteString bytes) {
  return {Outcome::Kind::Bytes, std::move(bytes), {}, {}};
}
inline Outcome outcomeOf(std::optional<ByteString> bytes) {
  if (!bytes) return {Outcome::Kind::Refused, {}, {}, {}};
  return outcomeOf(std::move(*bytes));
}
inline Outcome outcomeOf(AeadSealed sealed) {
  return {Outcome::Kind::Bytes, std::move(sealed.ciphertext), std::move(sealed.tag), {}};
}
inline Outcome outcomeOf(const LazyByteString& bytes) { return outcomeOf(bytes.flatten()); }

// The call's outcome; an exception is an outcome too (both sides must throw on the same inputs).
template <class F>
Outcome attempt(F&& call) {
  try {
    return outcomeOf(call());
  } catch (const std::exception& error) {
    return {Outcome::Kind::Threw, {}, {}, error.what()};
  }
}

inline std::string outcomeText(const Outcome& o) {
  switch (o.kind) {
    case Outcome::Kind::Refused:
      return "refuses";
    case Outcome::Kind::Threw:
      return "throws (" + o.error + ")";
    case Outcome::Kind::Bytes:
      break;
  }
  std::string text = "gives " + std::to_string(o.bytes.size()) + " bytes";
  if (!o.tag.empty()) text += " and a " + std::to_string(o.tag.size()) + "-byte tag";
  return text;
}

// Where two byte strings first differ, with 16 bytes of each from the start of that block.
inline std::string firstDifference(const char* what, const ByteString& mine,
                                   const ByteString& theirs, const char* mineName = "own",
                                   const char* theirName = "kavrit") {
  const auto at = static_cast<std::size_t>(
      std::mismatch(
          mine.begin(),
          mine.begin() + static_cast<std::ptrdiff_t>(std::min(mine.size(), theirs.size())),
          theirs.begin())
          .first -
      mine.begin());
  const std::size_t from = at - at % 16;
  const std::size_t width =
      std::max(std::string_view(mineName).size(), std::string_view(theirName).size()) + 2;
  const auto label = [width](const char* name) {
    std::string text = std::string(name) + ":";
    text.resize(width, ' ');
    return text;
  };
  const auto excerpt = [from](const ByteString& bytes) {
    if (from >= bytes.size()) return std::string("(ends)");
    const std::size_t to = std::min(bytes.size(), from + 16);
    return toHex(ByteString(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                            bytes.begin() + static_cast<std::ptrdiff_t>(to)));
  };
  return std::string(what) + " of " + std::to_string(mine.size()) + " bytes against " +
         std::to_string(theirs.size()) + ", first different at byte " + std::to_string(at) + "\n" +
         label(mineName) + excerpt(mine) + "\n" + label(theirName) + excerpt(theirs) +
         " (bytes from " + std::to_string(from) + ")";
}

// Nothing when the two outcomes agree; otherwise how they differ.
inline std::optional<std::string> outcomesDiffer(const Outcome& mine, const Outcome& theirs,
                                                 const char* mineName = "own",
                                                 const char* theirName = "kavrit") {
  if (mine.kind != theirs.kind) {
    return std::string(mineName) + " " + outcomeText(mine) + " where " + theirName + " " +
           outcomeText(theirs);
  }
  if (mine.kind != Outcome::Kind::Bytes) return std::nullopt;
  if (mine.bytes != theirs.bytes) {
    return "other bytes: " +
           firstDifference("output", mine.bytes, theirs.bytes, mineName, theirName);
  }
  if (mine.tag != theirs.tag) {
    return "another tag: " + firstDifference("tag", mine.tag, theirs.tag, mineName, theirName);
  }
  return std::nullopt;
}

// Throws an AssertionFailure naming the entry point and the input when the outcomes differ.
inline void compareOutcomes(std::string_view entry, const std::string& what, const Outcome& mine,
                            const Outcome& theirs) {
  if (auto difference = outcomesDiffer(mine, theirs)) {
    throw AssertionFailure(std::string(entry) + " on " + what + ": " + *difference);
  }
}

// The key type under test, with its own construction hooks.
class Oracle {
 public:
  explicit Oracle(const AnyBlockCipher& c)
      : cipher(c), b(c.blockBytes()), own_(c.ownConstructionHooks()) {}

  [[nodiscard]] bool brings(std::string_view entry) const {
    return std::find(own_.begin(), own_.end(), entry) != own_.end();
  }
  void check(std::string_view entry, const std::string& what, const Outcome& mine,
             const Outcome& theirs) const {
    compareOutcomes(entry, what, mine, theirs);
  }
  // A key from fixed material, another for each seed; the suite cannot run without it.
  [[nodiscard]] std::unique_ptr<const AnyKey> fixedKey(std::size_t seed) const {
    const auto low = static_cast<std::uint8_t>(seed);
    const ByteString bytes =
        keyMaterial(cipher.keyLength(), {low, static_cast<std::uint8_t>(low * 7 + 1), 0x5a, 0xc3});
    auto key = cipher.buildKey(bytes);
    if (!key) throw AssertionFailure("buildKey refuses the key " + toHex(bytes));
    return key;
  }
  [[nodiscard]] ByteString iv(const ByteString& bytes) const {
    auto parsed = cipher.parseIV(bytes);
    if (!parsed) throw AssertionFailure("parseIV refuses " + toHex(bytes));
    return *parsed;
  }

  const AnyBlockCipher& cipher;
  std::size_t b;

 private:
  std::vector<std::string_view> own_;
};

}  // namespace kavrit::test::detail
