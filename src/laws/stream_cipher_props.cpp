// The stream-cipher laws (kavrit/test/stream_cipher_props.hpp). Each check gives the text of its
// failure, or nothing: unit cases throw it, properties fail with it.

#include "kavrit/test/stream_cipher_props.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "laws/primitive_support.hpp"

namespace kavrit::test {
namespace {

using detail::bitText;
using detail::bytesText;
using Failure = std::optional<std::string>;
using Stream = std::unique_ptr<AnyStream>;
using Result = std::optional<ByteString>;

void throwIf(const Failure& failure) {
  if (failure) throw AssertionFailure(*failure);
}

void failIf(const Failure& failure) {
  if (failure) RC_FAIL(*failure);
}

// Where a stream starts.
struct Setup {
  ByteString key, nonce;
  std::uint64_t counter = 0;
};

std::string setupText(const Setup& s) {
  return "(key " + toHex(s.key) + ", nonce " + toHex(s.nonce) + ", counter " +
         std::to_string(s.counter) + ")";
}

std::size_t blockBytes(const AnyStreamCipher& c) {
  return c.blockLength() >= 8 ? static_cast<std::size_t>(c.blockLength() / 8) : 64;
}

long counterBits(const AnyStreamCipher& c) { return c.counterLength(); }

bool hasCounterEnd(const AnyStreamCipher& c) { return counterBits(c) > 0 && counterBits(c) < 64; }

// The last counter, for 0 < L < 64.
std::uint64_t lastCounter(const AnyStreamCipher& c) {
  return (std::uint64_t{1} << counterBits(c)) - 1;
}

Setup fixedSetup(const AnyStreamCipher& c, std::size_t salt, std::uint64_t counter) {
  const ByteString pattern = detail::fixedMessage(salt + 64);
  ByteString nonce(pattern.begin() + static_cast<std::ptrdiff_t>(salt), pattern.end());
  nonce.resize(static_cast<std::size_t>(c.nonceLength() / 8));
  return Setup{detail::keyFromSeed(c.keyLength(), ByteString(pattern.begin(), pattern.begin() + 9)),
               nonce, counter};
}

Setup drawSetup(const AnyStreamCipher& c, std::uint64_t counter) {
  Setup s;
  s.key = detail::drawKeyBytes(c.keyLength());
  s.nonce = detail::drawBytesOfLength(static_cast<std::size_t>(c.nonceLength() / 8));
  s.counter = counter;
  return s;
}

Stream startOrThrow(const AnyStreamCipher& c, const Setup& s) {
  Stream stream = c.start(s.key, s.nonce, s.counter);
  if (!stream) throw AssertionFailure("start refuses " + setupText(s));
  return stream;
}

Stream startOrDiscard(const AnyStreamCipher& c, const Setup& s) {
  Stream stream = c.start(s.key, s.nonce, s.counter);
  RC_PRE(static_cast<bool>(stream));
  return stream;
}

// A small counter, or 0 for a cipher without one.
std::uint64_t drawSmallCounter(const AnyStreamCipher& c) {
  if (counterBits(c) == 0) return 0;
  const std::uint64_t bound = hasCounterEnd(c) ? std::min<std::uint64_t>(16, lastCounter(c)) : 16;
  return *rc::gen::inRange<std::uint64_t>(0, bound + 1);
}

ByteString drawData(const AnyStreamCipher& c) {
  return detail::pickBytes(arbitraryBoundaryByteString(blockBytes(c)));
}

// Whether `actual` (the result of `what`) is `expected` (what `against` gives).
Failure sameBytes(const std::string& what, const Result& expected, const Result& actual,
                  const Setup& s, const std::string& against = "one call") {
  if (!expected) return against + " is refused " + setupText(s);
  if (!actual) return what + " is refused " + setupText(s);
  if (*expected == *actual) return std::nullopt;
  return what + " differs from " + against + " " + setupText(s) + "\n  " +
         *describeDifference(*expected, *actual);
}

Result successiveCalls(AnyStream& stream, const ByteString& data, const ChunkPlan& plan) {
  ByteString out;
  std::size_t from = 0;
  std::vector<std::size_t> ends = plan.cuts;
  ends.push_back(data.size());
  for (const std::size_t to : ends) {
    const Result piece = stream.apply(ByteString(data.begin() + static_cast<std::ptrdiff_t>(from),
                                                 data.begin() + static_cast<std::ptrdiff_t>(to)));
    if (!piece) return std::nullopt;
    out.insert(out.end(), piece->begin(), piece->end());
    from = to;
  }
  return out;
}

void xorTwiceIsIdentity(const AnyStreamCipher& c) {
  const Setup s = drawSetup(c, drawSmallCounter(c));
  const ByteString data = drawData(c);
  const Result once = startOrDiscard(c, s)->apply(data);
  if (!once) RC_FAIL("apply of " + bytesText(data.size()) + " is refused " + setupText(s));
  const Result twice = startOrDiscard(c, s)->apply(*once);
  failIf(sameBytes("the keystream applied twice", data, twice, s, "the data"));
}

void chunkingEqualsOneCall(const AnyStreamCipher& c, bool lazy) {
  const Setup s = drawSetup(c, drawSmallCounter(c));
  const ByteString data = drawData(c);
  const ChunkPlan plan = *arbitraryChunkPlan(data.size(), blockBytes(c));
  const Result one = startOrDiscard(c, s)->apply(data);
  const Stream stream = startOrDiscard(c, s);
  const Result chunked =
      lazy ? stream->applyLazy(applyChunkPlan(data, plan)) : successiveCalls(*stream, data, plan);
  failIf(
      sameBytes(std::string(lazy ? "applyLazy over the chunks " : "apply call after call over ") +
                    describeChunkPlan(plan),
                one, chunked, s));
}

void cloneContinuesIdentically(const AnyStreamCipher& c) {
  const Setup s = drawSetup(c, drawSmallCounter(c));
  const ByteString prefix = drawData(c);
  const ByteString rest = drawData(c);
  ByteString whole = prefix;
  whole.insert(whole.end(), rest.begin(), rest.end());
  const Result one = startOrDiscard(c, s)->apply(whole);
  if (!one) RC_FAIL("apply of " + bytesText(whole.size()) + " is refused " + setupText(s));
  const Result tail =
      ByteString(one->begin() + static_cast<std::ptrdiff_t>(prefix.size()), one->end());
  const Stream stream = startOrDiscard(c, s);
  if (!stream->apply(prefix)) RC_FAIL("apply of the prefix is refused " + setupText(s));
  const std::string after = " after " + bytesText(prefix.size());
  {
    const Stream copy = stream->clone();
    failIf(sameBytes("a copy of the stream made" + after, tail, copy->apply(rest), s));
  }
  failIf(sameBytes("the original stream" + after + " once its copy is gone", tail,
                   stream->apply(rest), s));
}

void startAtCounterEqualsSkip(const AnyStreamCipher& c) {
  const std::size_t b = blockBytes(c);
  std::uint64_t base = 0;
  if (hasCounterEnd(c) && lastCounter(c) > 64 && *rc::gen::arbitrary<bool>()) {
    base = lastCounter(c) - 39 + *rc::gen::inRange<std::uint64_t>(0, 8);
  } else {
    base = *rc::gen::inRange<std::uint64_t>(0, 8);
  }
  const std::uint64_t skip = *rc::gen::inRange<std::uint64_t>(0, 16);
  const ByteString data = drawData(c);
  if (hasCounterEnd(c)) {
    RC_PRE(base + skip + (data.size() + b - 1) / b <= lastCounter(c) + 1);
  }
  Setup at = drawSetup(c, base + skip);
  const Result direct = startOrDiscard(c, at)->apply(data);
  Setup from = at;
  from.counter = base;
  const Stream stream = startOrDiscard(c, from);
  if (!stream->apply(ByteString(skip * b))) {
    RC_FAIL("apply of " + std::to_string(skip) + " blocks is refused " + setupText(from));
  }
  failIf(sameBytes("the stream from counter " + std::to_string(base) + " after skipping " +
                       std::to_string(skip) + (skip == 1 ? " block" : " blocks"),
                   direct, stream->apply(data), from,
                   "the stream started at counter " + std::to_string(base + skip)));
}

Failure refused(const std::string& what, const Result& result, const Setup& s) {
  if (!result) return std::nullopt;
  return what + " went through, past the last block of the counter space " + setupText(s);
}

void counterSpaceEnd(const AnyStreamCipher& c) {
  const std::size_t b = blockBytes(c);
  const Setup s = fixedSetup(c, 3, lastCounter(c));
  const std::string from = " from counter 2^" + std::to_string(counterBits(c)) + " - 1";
  const Result block = startOrThrow(c, s)->apply(ByteString(b));
  if (!block) throw AssertionFailure("apply of one block" + from + " is refused " + setupText(s));
  const Stream stream = startOrThrow(c, s);
  throwIf(refused("apply of " + bytesText(b + 1) + from, stream->apply(ByteString(b + 1)), s));
  throwIf(sameBytes("apply of one block" + from + " after a refused call", block,
                    stream->apply(ByteString(b)), s, "the same call on a fresh stream"));
  throwIf(refused("apply of 1 byte after the last block", stream->apply(ByteString(1)), s));
  throwIf(refused("applyLazy of 1 byte after the last block",
                  stream->applyLazy(LazyByteString({ByteString(1)})), s));
  if (b > 10) {
    const Stream split = startOrThrow(c, s);
    const Result first = split->apply(ByteString(10));
    throwIf(refused("apply of " + bytesText(b - 9) + from + " after 10 bytes",
                    split->apply(ByteString(b - 9)), s));
    const Result second = split->apply(ByteString(b - 10));
    Result joined;
    if (first && second) {
      joined = *first;
      joined->insert(joined->end(), second->begin(), second->end());
    }
    throwIf(
        sameBytes("10 bytes, a refused call, then " + bytesText(b - 10) + from, block, joined, s));
  }
  Setup past = s;
  past.counter = lastCounter(c) + 1;
  if (c.start(past.key, past.nonce, past.counter)) {
    throw AssertionFailure("start accepts counter 2^" + std::to_string(counterBits(c)) +
                           ", past the counter space " + setupText(past));
  }
}

void counterlessStartsAtZeroOnly(const AnyStreamCipher& c) {
  Setup s = fixedSetup(c, 5, 0);
  (void)startOrThrow(c, s);
  for (const std::uint64_t counter : {std::uint64_t{1}, std::uint64_t{1} << 32}) {
    s.counter = counter;
    if (c.start(s.key, s.nonce, s.counter)) {
      throw AssertionFailure("start of a cipher without a counter accepts " + setupText(s));
    }
  }
}

void refusedCallLeavesStreamUnmoved(const AnyStreamCipher& c) {
  const std::size_t b = blockBytes(c);
  const std::uint64_t extra =
      *rc::gen::inRange<std::uint64_t>(0, std::min<std::uint64_t>(3, lastCounter(c)) + 1);
  Setup s = drawSetup(c, lastCounter(c) - extra);
  const std::size_t left = static_cast<std::size_t>(extra + 1) * b;
  const ByteString data = detail::drawBytesOfLength(left);
  const Result one = startOrDiscard(c, s)->apply(data);
  if (!one) RC_FAIL("apply of the " + bytesText(left) + " left is refused " + setupText(s));
  const std::size_t prefix = *rc::gen::inRange<std::size_t>(0, left + 1);
  const Stream stream = startOrDiscard(c, s);
  if (!stream->apply(
          ByteString(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(prefix)))) {
    RC_FAIL("apply of the first " + bytesText(prefix) + " is refused " + setupText(s));
  }
  const std::size_t over = left - prefix + *rc::gen::inRange<std::size_t>(1, 2 * b + 1);
  const bool lazy = *rc::gen::arbitrary<bool>();
  const std::string what = std::string(lazy ? "applyLazy" : "apply") + " of " + bytesText(over) +
                           " after " + bytesText(prefix) + " of the " + bytesText(left) + " left";
  failIf(refused(
      what,
      lazy ? stream->applyLazy(applyChunkPlan(ByteString(over), *arbitraryChunkPlan(over, b)))
           : stream->apply(ByteString(over)),
      s));
  const Result tail = ByteString(one->begin() + static_cast<std::ptrdiff_t>(prefix), one->end());
  failIf(sameBytes(
      "the rest of the keystream after the refused " + what, tail,
      stream->apply(ByteString(data.begin() + static_cast<std::ptrdiff_t>(prefix), data.end())), s,
      "the rest of one call without the refused one"));
}

// Lengths other than `n` bytes that start must refuse: 0, n - 1 and n + 1, or 1 and 8 for n = 0.
std::vector<std::size_t> wrongLengths(std::size_t n) {
  if (n == 0) return {1, 8};
  std::vector<std::size_t> out{0, n + 1};
  if (n > 1) out.push_back(n - 1);
  return out;
}

void wrongLengthRefused(const AnyStreamCipher& c, bool key) {
  const Setup s = fixedSetup(c, 7, 0);
  (void)startOrThrow(c, s);
  for (const std::size_t n : wrongLengths(key ? s.key.size() : s.nonce.size())) {
    // A cipher that takes keys of several lengths is held to the ones it says it refuses.
    if (key && c.acceptsKeyLength(static_cast<long>(8 * n))) continue;
    Setup wrong = s;
    ByteString& part = key ? wrong.key : wrong.nonce;
    part = detail::fixedMessage(n);
    if (c.start(wrong.key, wrong.nonce, wrong.counter)) {
      throw AssertionFailure(
          std::string("start accepts a ") + (key ? "key" : "nonce") + " of " + bytesText(n) +
          " (it takes " + bytesText(key ? s.key.size() : s.nonce.size()) + ") " + setupText(wrong));
    }
  }
}

void sensitivity(const AnyStreamCipher& c, bool key) {
  const std::size_t b = blockBytes(c);
  const Setup s = drawSetup(c, drawSmallCounter(c));
  const ByteString& part = key ? s.key : s.nonce;
  RC_PRE(!part.empty());
  const std::size_t bit = *rc::gen::inRange<std::size_t>(0, 8 * part.size());
  Setup changed = s;
  (key ? changed.key : changed.nonce) = detail::withBitFlipped(part, bit);
  const Result original = startOrDiscard(c, s)->apply(ByteString(2 * b));
  const Result flipped = startOrDiscard(c, changed)->apply(ByteString(2 * b));
  if (!original || !flipped) RC_FAIL("apply of two blocks is refused " + setupText(s));
  if (*original == *flipped) {
    RC_FAIL(std::string("flipping ") + bitText(bit) + " of the " + (key ? "key" : "nonce") +
            " leaves the first " + bytesText(2 * b) + " of keystream as they were " + setupText(s));
  }
}

void equalBytesEqualStreams(const AnyStreamCipher& c) {
  const Setup s = fixedSetup(c, 11, 0);
  Setup copy;
  copy.key.reserve(s.key.size() + 1);
  copy.key.assign(s.key.begin(), s.key.end());
  copy.nonce.reserve(s.nonce.size() + 1);
  copy.nonce.assign(s.nonce.begin(), s.nonce.end());
  const std::size_t n = 3 * blockBytes(c) + 5;
  throwIf(sameBytes("a stream started from other buffers of the same key and nonce bytes",
                    startOrThrow(c, s)->apply(ByteString(n)),
                    startOrThrow(c, copy)->apply(ByteString(n)), s,
                    "the stream from the first buffers"));
}

// Whether the counter space has room for `n` bytes from counter 0 and one block more.
bool roomFor(const AnyStreamCipher& c, std::size_t n) {
  if (!hasCounterEnd(c)) return true;
  const std::uint64_t blocks = n / blockBytes(c) + 2;
  return counterBits(c) >= 40 || blocks <= lastCounter(c) + 1;
}

void longInput(const AnyStreamCipher& c, std::size_t n) {
  const std::size_t b = blockBytes(c);
  const Setup s = fixedSetup(c, 13, 0);
  const ByteString data = detail::fixedMessage(n);
  const Result one = startOrThrow(c, s)->apply(data);
  const std::string of = " of " + bytesText(n);
  if (!one) throw AssertionFailure("one call" + of + " is refused " + setupText(s));
  throwIf(sameBytes("apply in uneven chunks call after call" + of, one,
                    successiveCalls(*startOrThrow(c, s), data, detail::unevenChunks(n)), s));
  throwIf(sameBytes("applyLazy in uneven chunks" + of, one,
                    startOrThrow(c, s)->applyLazy(detail::unevenly(data)), s));
  throwIf(sameBytes("the keystream applied twice" + of, data, startOrThrow(c, s)->apply(*one), s,
                    "the data"));
  if (counterBits(c) == 0) return;
  ByteString padded(b);
  padded.insert(padded.end(), data.begin(), data.end());
  Result fromZero = startOrThrow(c, s)->apply(padded);
  if (fromZero)
    fromZero->erase(fromZero->begin(), fromZero->begin() + static_cast<std::ptrdiff_t>(b));
  Setup fromOne = s;
  fromOne.counter = 1;
  throwIf(sameBytes("one call" + of + " from counter 1", fromZero,
                    startOrThrow(c, fromOne)->apply(data), s,
                    "one call from counter 0 past its first block"));
}

}  // namespace

Test makeStreamCipherPropTests(const AnyStreamCipher& c, StreamCipherPropOptions options) {
  std::vector<Test> members{
      testProperty("XorTwiceIsIdentity", [&c] { xorTwiceIsIdentity(c); }),
      testProperty("SuccessiveCallsEqualOneCall", [&c] { chunkingEqualsOneCall(c, false); }),
      testProperty("LazyEqualsOneCall", [&c] { chunkingEqualsOneCall(c, true); }),
      testProperty("CloneContinuesIdentically", [&c] { cloneContinuesIdentically(c); }),
  };
  if (counterBits(c) > 0) {
    members.push_back(
        testProperty("StartAtCounterEqualsSkip", [&c] { startAtCounterEqualsSkip(c); }));
  }
  if (hasCounterEnd(c)) {
    members.push_back(testCase("CounterSpaceEnd", [&c] { counterSpaceEnd(c); }));
    members.push_back(testProperty("RefusedCallLeavesStreamUnmoved",
                                   [&c] { refusedCallLeavesStreamUnmoved(c); }));
  } else if (counterBits(c) == 0) {
    members.push_back(
        testCase("CounterlessStartsAtZeroOnly", [&c] { counterlessStartsAtZeroOnly(c); }));
  }
  members.push_back(testCase("WrongKeyLengthRefused", [&c] { wrongLengthRefused(c, true); }));
  members.push_back(testCase("WrongNonceLengthRefused", [&c] { wrongLengthRefused(c, false); }));
  members.push_back(testProperty("KeySensitivity", [&c] { sensitivity(c, true); }));
  if (c.nonceLength() > 0) {
    members.push_back(testProperty("NonceSensitivity", [&c] { sensitivity(c, false); }));
  }
  members.push_back(testCase("EqualBytesEqualStreams", [&c] { equalBytesEqualStreams(c); }));
  if (roomFor(c, detail::kLongBytes)) {
    members.push_back(testCase("Long64KiBPlus1", [&c] { longInput(c, detail::kLongBytes); }));
  }
  if (options.slow && roomFor(c, detail::kSlowBytes)) {
    members.push_back(
        testGroup("Slow", {testCase("Long1MiB", [&c] { longInput(c, detail::kSlowBytes); })}));
  }
  return testGroup("Stream Cipher Property Tests", std::move(members));
}

}  // namespace kavrit::test
