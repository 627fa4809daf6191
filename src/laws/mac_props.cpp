// The MAC laws (kavrit/test/mac_props.hpp).

#include "kavrit/test/mac_props.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/vector_files.hpp"
#include "laws/primitive_support.hpp"

namespace kavrit::test {
namespace {

using detail::bitText;
using detail::bytesText;
using Key = std::unique_ptr<const AnyMacKey>;

Key drawnKey(const AnyMac& m, ByteString& keyBytes) {
  keyBytes = detail::drawKeyBytes(m.keyLength());
  Key key = m.buildKey(keyBytes);
  RC_PRE(static_cast<bool>(key));
  return key;
}

Key fixedKey(const AnyMac& m, ByteString& keyBytes) {
  keyBytes = detail::keyFromSeed(m.keyLength(), detail::fixedMessage(11));
  Key key = m.buildKey(keyBytes);
  if (!key) throw AssertionFailure("buildKey refuses the key " + toHex(keyBytes));
  return key;
}

ByteString drawMessage() { return detail::pickBytes(arbitraryBoundaryByteString(16)); }

std::string under(const ByteString& keyBytes, std::size_t messageBytes) {
  return "(key " + toHex(keyBytes) + ", message of " + bytesText(messageBytes) + ")";
}

void lazyStrictEqual(const AnyMac& m) {
  ByteString keyBytes;
  const Key key = drawnKey(m, keyBytes);
  const std::size_t edge = *rc::gen::element<std::size_t>(16, 64);
  const ByteString message = detail::pickBytes(arbitraryBoundaryByteString(edge));
  const ChunkPlan plan = *arbitraryChunkPlan(message.size(), edge);
  const ByteString strict = key->tag(message);
  const ByteString lazy = key->tagLazy(applyChunkPlan(message, plan));
  if (strict != lazy) {
    RC_FAIL("tagLazy over the chunks " + describeChunkPlan(plan) + " gives another tag than tag " +
            under(keyBytes, message.size()) + "\n  tag     " + toHex(strict) + "\n  tagLazy " +
            toHex(lazy));
  }
}

void tagLength(const AnyMac& m) {
  ByteString keyBytes;
  const Key key = drawnKey(m, keyBytes);
  const ByteString message = drawMessage();
  const auto bytes = static_cast<std::size_t>(m.tagLength() / 8);
  const ByteString strict = key->tag(message);
  const ByteString lazy = key->tagLazy(chunked(message, 7));
  if (strict.size() != bytes || lazy.size() != bytes) {
    RC_FAIL("tag gives " + bytesText(strict.size()) + " and tagLazy " + bytesText(lazy.size()) +
            "; tagLength/8 is " + bytesText(bytes) + " " + under(keyBytes, message.size()));
  }
}

void deterministic(const AnyMac& m) {
  ByteString keyBytes;
  const Key key = drawnKey(m, keyBytes);
  const ByteString message = drawMessage();
  if (key->tag(message) != key->tag(message)) {
    RC_FAIL("tag gives another tag the second time " + under(keyBytes, message.size()));
  }
  if (key->tagLazy(chunked(message, 7)) != key->tagLazy(chunked(message, 7))) {
    RC_FAIL("tagLazy gives another tag the second time " + under(keyBytes, message.size()));
  }
}

void keySensitivity(const AnyMac& m) {
  ByteString keyBytes;
  const Key key = drawnKey(m, keyBytes);
  RC_PRE(!keyBytes.empty());
  ByteString message = drawMessage();
  if (message.empty()) message.push_back(0x5a);
  const std::size_t bit = *rc::gen::inRange<std::size_t>(0, 8 * keyBytes.size());
  const ByteString tag = key->tag(message);
  const auto tagUnder = [&](const ByteString& changed) {
    const Key other = m.buildKey(changed);
    RC_PRE(static_cast<bool>(other));
    return other->tag(message);
  };
  if (tagUnder(detail::withBitFlipped(keyBytes, bit)) != tag) return;
  ByteString wholeByte = keyBytes;
  wholeByte[bit / 8] ^= 0xff;
  if (tagUnder(wholeByte) == tag) {
    RC_FAIL("neither flipping " + bitText(bit) +
            " of the key nor every bit of its byte changes "
            "the tag " +
            under(keyBytes, message.size()));
  }
}

void messageSensitivity(const AnyMac& m) {
  ByteString keyBytes;
  const Key key = drawnKey(m, keyBytes);
  const ByteString message = drawMessage();
  const ByteString tag = key->tag(message);
  const auto changes = [&](const std::string& what, const ByteString& changed) {
    if (key->tag(changed) == tag) {
      RC_FAIL(what + " leaves the tag as it was " + under(keyBytes, message.size()));
    }
  };
  ByteString appended = message;
  appended.push_back(*rc::gen::arbitrary<std::uint8_t>());
  changes("appending the byte " + toHex({appended.back()}), appended);
  if (message.empty()) return;
  const std::size_t bit = *rc::gen::inRange<std::size_t>(0, 8 * message.size());
  changes("flipping " + bitText(bit) + " of the message", detail::withBitFlipped(message, bit));
  changes("removing the last byte", ByteString(message.begin(), message.end() - 1));
}

void copyAgrees(const AnyMac& m) {
  ByteString keyBytes;
  const Key key = drawnKey(m, keyBytes);
  const ByteString message = drawMessage();
  const ByteString tag = key->tag(message);
  const ByteString lazyTag = key->tagLazy(chunked(message, 7));
  const auto agrees = [&](const AnyMacKey& k, const std::string& which) {
    if (k.tag(message) != tag) {
      RC_FAIL("tag on " + which + " gives another tag " + under(keyBytes, message.size()));
    }
    if (k.tagLazy(chunked(message, 7)) != lazyTag) {
      RC_FAIL("tagLazy on " + which + " gives another tag " + under(keyBytes, message.size()));
    }
  };
  agrees(*key->clone(), "a copy of the key (against the original)");
  agrees(*key, "the original key once its copy is gone");
}

void equalKeyBytesEqualTags(const AnyMac& m) {
  ByteString keyBytes;
  const Key first = fixedKey(m, keyBytes);
  ByteString copy;
  copy.reserve(keyBytes.size() + 1);
  copy.assign(keyBytes.begin(), keyBytes.end());
  const Key second = m.buildKey(copy);
  if (!second) throw AssertionFailure("buildKey refuses a second buffer of the key " + toHex(copy));
  for (const std::size_t n : {0, 1, 15, 16, 17, 63, 64, 65, 200}) {
    const ByteString message = detail::fixedMessage(n);
    assertEqual(
        "a key built from another buffer of the same bytes tags otherwise, " + under(keyBytes, n),
        first->tag(message), second->tag(message), ValueLabels{"first key", "second key"});
  }
}

void longInput(const AnyMac& m, std::size_t n) {
  ByteString keyBytes;
  const Key key = fixedKey(m, keyBytes);
  const ByteString message = detail::fixedMessage(n);
  const ByteString strict = key->tag(message);
  const std::string of = " of a message of " + bytesText(n);
  assertEqual("tagLazy in one chunk" + of + " differs from tag", strict,
              key->tagLazy(LazyByteString({message})), ValueLabels{"tag", "tagLazy"});
  assertEqual("tagLazy in uneven chunks" + of + " differs from tag", strict,
              key->tagLazy(detail::unevenly(message)), ValueLabels{"tag", "tagLazy"});
  if (key->tag(detail::withBitFlipped(message, 4 * n + 3)) == strict) {
    throw AssertionFailure("flipping " + bitText(4 * n + 3) + " of a message of " + bytesText(n) +
                           " leaves its tag as it was " + under(keyBytes, n));
  }
}

}  // namespace

Test makeMACPropTests(const AnyMac& m, MACPropOptions options) {
  std::vector<Test> members{
      testProperty("LazyStrictEqual", [&m] { lazyStrictEqual(m); }),
      testProperty("TagLength", [&m] { tagLength(m); }),
      testProperty("Deterministic", [&m] { deterministic(m); }),
      testProperty("KeySensitivity", [&m] { keySensitivity(m); }),
      testProperty("MessageSensitivity", [&m] { messageSensitivity(m); }),
      testProperty("CopyAgrees", [&m] { copyAgrees(m); }),
      testCase("EqualKeyBytesEqualTags", [&m] { equalKeyBytesEqualTags(m); }),
      testCase("Long64KiBPlus1", [&m] { longInput(m, detail::kLongBytes); }),
  };
  if (options.slow) {
    members.push_back(
        testGroup("Slow", {testCase("Long1MiB", [&m] { longInput(m, detail::kSlowBytes); })}));
  }
  return testGroup("MAC Property Tests", std::move(members));
}

}  // namespace kavrit::test
