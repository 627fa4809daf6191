// The XOF laws (kavrit/test/xof_props.hpp). Each check gives the text of its failure, or
// nothing: unit cases throw it, properties fail with it.

#include "kavrit/test/xof_props.hpp"

#include <algorithm>
#include <cstddef>
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

using detail::bytesText;
using Failure = std::optional<std::string>;
using State = std::unique_ptr<AnyXofState>;

void throwIf(const Failure& failure) {
  if (failure) throw AssertionFailure(*failure);
}

void failIf(const Failure& failure) {
  if (failure) RC_FAIL(*failure);
}

std::size_t rateBytes(const AnyXof& x) {
  return x.blockLength() >= 8 ? static_cast<std::size_t>(x.blockLength() / 8) : 168;
}

std::string messageText(const ByteString& message) {
  if (message.size() <= 32) return "(message " + toHex(message) + ")";
  return "(message of " + bytesText(message.size()) + " starting " +
         toHex(ByteString(message.begin(), message.begin() + 16)) + ")";
}

// Whether `actual` (what `what` gave) is `expected` (what `against` gave).
Failure sameBytes(const std::string& what, const ByteString& expected, const ByteString& actual,
                  const ByteString& message, const std::string& against = "one squeeze") {
  if (expected == actual) return std::nullopt;
  return what + " differs from " + against + " " + messageText(message) + "\n  " +
         describeDifference(expected, actual).value_or("");
}

// Squeezes of the given sizes in turn, joined; fails when a squeeze gives another length.
ByteString squeezeInTurn(AnyXofState& state, const std::vector<std::size_t>& sizes,
                         std::optional<std::string>& wrongLength) {
  ByteString out;
  for (const std::size_t n : sizes) {
    const ByteString piece = state.squeeze(n);
    if (piece.size() != n && !wrongLength) {
      wrongLength = "a squeeze of " + bytesText(n) + " after " + bytesText(out.size()) + " gives " +
                    bytesText(piece.size());
    }
    out.insert(out.end(), piece.begin(), piece.end());
  }
  return out;
}

std::string sizesText(const std::vector<std::size_t>& sizes) {
  std::string out;
  for (std::size_t i = 0; i < sizes.size() && i < 12; ++i) {
    out += (i == 0 ? "" : ", ") + std::to_string(sizes[i]);
  }
  if (sizes.size() > 12) out += ", ... (" + std::to_string(sizes.size()) + " calls)";
  return "squeezes of " + out + " bytes in turn";
}

// Splitting `total` bytes into the given squeezes equals one squeeze of them.
Failure splitsAgree(const AnyXof& x, const ByteString& message,
                    const std::vector<std::size_t>& sizes) {
  std::size_t total = 0;
  for (const std::size_t n : sizes) total += n;
  const ByteString one = x.output(message, total);
  if (one.size() != total) {
    return "one squeeze of " + bytesText(total) + " gives " + bytesText(one.size()) + " " +
           messageText(message);
  }
  Failure wrongLength;
  const ByteString split = squeezeInTurn(*x.absorbStrict(message), sizes, wrongLength);
  if (wrongLength) return *wrongLength + " " + messageText(message);
  return sameBytes(sizesText(sizes), one, split, message);
}

ByteString drawMessage(const AnyXof& x) {
  return detail::pickBytes(arbitraryBoundaryByteString(rateBytes(x)));
}

// A squeeze length: often at or next to a multiple of the rate.
std::size_t drawLength(const AnyXof& x) {
  const std::size_t r = rateBytes(x);
  if (*rc::gen::inRange(0, 4) != 0) {
    const std::size_t j = *rc::gen::inRange<std::size_t>(0, 4);
    const std::size_t at = j * r + *rc::gen::inRange<std::size_t>(0, 3);
    return at == 0 ? 0 : at - 1;
  }
  return *rc::gen::inRange<std::size_t>(0, 3 * r + 2);
}

void lazyEqualsStrict(const AnyXof& x) {
  const ByteString message = drawMessage(x);
  const ChunkPlan plan = *arbitraryChunkPlan(message.size(), rateBytes(x));
  const std::size_t n = drawLength(x);
  failIf(sameBytes(
      "absorb over the chunks " + describeChunkPlan(plan) + ", then " + bytesText(n) + " squeezed,",
      x.output(message, n), x.absorb(applyChunkPlan(message, plan))->squeeze(n), message,
      "absorbStrict"));
}

void splitSqueeze(const AnyXof& x) {
  const ByteString message = drawMessage(x);
  failIf(splitsAgree(x, message, {drawLength(x), drawLength(x)}));
}

void squeezeSplitsAtTheRate(const AnyXof& x) {
  const std::size_t r = rateBytes(x);
  const ByteString message = detail::fixedMessage(r + 3);
  for (const std::size_t j : {1, 2}) {
    for (const std::size_t first : {j * r - 1, j * r, j * r + 1}) {
      throwIf(splitsAgree(x, message, {first, 3 * r + 5 - first}));
      throwIf(splitsAgree(x, message, {1, first, r}));
    }
  }
}

void manySmallSqueezes(const AnyXof& x) {
  const std::size_t total = 4 * rateBytes(x) + 5;
  std::vector<std::size_t> sizes;
  for (std::size_t at = 0, n = 1; at < total; at += n, n = n % 17 + 1) {
    sizes.push_back(std::min(n, total - at));
  }
  throwIf(splitsAgree(x, detail::fixedMessage(7), sizes));
}

void longerExtendsShorter(const AnyXof& x) {
  const ByteString message = drawMessage(x);
  const std::size_t n = drawLength(x);
  const std::size_t more = n + *rc::gen::inRange<std::size_t>(1, 2 * rateBytes(x) + 2);
  const ByteString longer = x.output(message, more);
  if (longer.size() != more)
    RC_FAIL("a squeeze of " + bytesText(more) + " gives " + bytesText(longer.size()) + " " +
            messageText(message));
  failIf(sameBytes("the output of " + bytesText(n),
                   ByteString(longer.begin(), longer.begin() + static_cast<std::ptrdiff_t>(n)),
                   x.output(message, n), message,
                   "the first " + bytesText(n) + " of an output of " + bytesText(more)));
}

std::vector<std::size_t> aroundTheRate(std::size_t r) {
  return {0, 1, r - 1, r, r + 1, 2 * r - 1, 2 * r, 2 * r + 1};
}

void outputLengths(const AnyXof& x) {
  const ByteString message = detail::fixedMessage(33);
  const std::size_t r = rateBytes(x);
  const ByteString longest = x.output(message, 2 * r + 1);
  for (const std::size_t n : aroundTheRate(r)) {
    const ByteString out = x.output(message, n);
    if (out.size() != n) {
      throw AssertionFailure("a squeeze of " + bytesText(n) + " gives " + bytesText(out.size()) +
                             " " + messageText(message));
    }
    throwIf(sameBytes("the output of " + bytesText(n),
                      ByteString(longest.begin(), longest.begin() + static_cast<std::ptrdiff_t>(n)),
                      out, message, "the start of an output of " + bytesText(longest.size())));
  }
}

void messageLengths(const AnyXof& x) {
  const std::size_t r = rateBytes(x);
  const std::size_t n = 2 * r + 1;
  for (const std::size_t length : aroundTheRate(r)) {
    const ByteString message = detail::fixedMessage(length);
    const ByteString strict = x.output(message, n);
    throwIf(sameBytes("absorb in uneven chunks", strict,
                      x.absorb(detail::unevenly(message))->squeeze(n), message, "absorbStrict"));
    throwIf(sameBytes("absorb byte by byte", strict,
                      x.absorb(applyChunkPlan(message, fixedSizeChunks(length, 1)))->squeeze(n),
                      message, "absorbStrict"));
    ByteString longer = message;
    longer.push_back(0);
    if (x.output(longer, n) == strict) {
      throw AssertionFailure("appending a zero byte leaves the output as it was " +
                             messageText(message));
    }
    if (!message.empty() &&
        x.output(detail::withBitFlipped(message, 8 * length - 1), n) == strict) {
      throw AssertionFailure("flipping the last bit leaves the output as it was " +
                             messageText(message));
    }
  }
}

void copiesIndependent(const AnyXof& x) {
  const ByteString message = drawMessage(x);
  const std::size_t prefix = drawLength(x);
  const std::size_t a = drawLength(x);
  const std::size_t b = drawLength(x);
  const ByteString one = x.output(message, prefix + a + b);
  const auto slice = [&one](std::size_t from, std::size_t n) {
    return ByteString(one.begin() + static_cast<std::ptrdiff_t>(from),
                      one.begin() + static_cast<std::ptrdiff_t>(from + n));
  };
  const State state = x.absorbStrict(message);
  (void)state->squeeze(prefix);
  const std::string after = " after " + bytesText(prefix);
  {
    const State copy = state->clone();
    failIf(sameBytes("the state's next " + bytesText(a) + after, slice(prefix, a),
                     state->squeeze(a), message, "one squeeze"));
    failIf(sameBytes("a copy made" + after + ", then squeezed after the state was",
                     slice(prefix, a), copy->squeeze(a), message, "one squeeze"));
    failIf(sameBytes("the copy's next " + bytesText(b), slice(prefix + a, b), copy->squeeze(b),
                     message, "one squeeze"));
  }
  failIf(sameBytes("the state once its copy is gone", slice(prefix + a, b), state->squeeze(b),
                   message, "one squeeze"));
}

void longInput(const AnyXof& x, std::size_t n) {
  const ByteString message = detail::fixedMessage(n);
  const std::string of = " of " + bytesText(n);
  const ByteString strict = x.output(message, 64);
  throwIf(sameBytes("absorb in uneven chunks" + of, strict,
                    x.absorb(detail::unevenly(message))->squeeze(64), message, "absorbStrict"));
  const ChunkPlan plan = detail::unevenChunks(n);
  std::vector<std::size_t> sizes;
  std::size_t from = 0;
  for (const std::size_t cut : plan.cuts) {
    sizes.push_back(cut - from);
    from = cut;
  }
  sizes.push_back(n - from);
  throwIf(splitsAgree(x, detail::fixedMessage(5), sizes));
}

}  // namespace

Test makeXOFPropTests(const AnyXof& x, XOFPropOptions options) {
  std::vector<Test> members{
      testProperty("LazyEqualsStrict", [&x] { lazyEqualsStrict(x); }),
      testProperty("SplitSqueezeEqualsOneSqueeze", [&x] { splitSqueeze(x); }),
      testCase("SqueezeSplitsAtTheRate", [&x] { squeezeSplitsAtTheRate(x); }),
      testCase("ManySmallSqueezes", [&x] { manySmallSqueezes(x); }),
      testProperty("LongerOutputExtendsShorter", [&x] { longerExtendsShorter(x); }),
      testCase("OutputLengths", [&x] { outputLengths(x); }),
      testCase("MessageLengthsAroundTheRate", [&x] { messageLengths(x); }),
      testProperty("CopiesSqueezeIndependently", [&x] { copiesIndependent(x); }),
      testCase("Long64KiBPlus1", [&x] { longInput(x, detail::kLongBytes); }),
  };
  if (options.slow) {
    members.push_back(
        testGroup("Slow", {testCase("Long1MiB", [&x] { longInput(x, detail::kSlowBytes); })}));
  }
  return testGroup("XOF Property Tests", std::move(members));
}

}  // namespace kavrit::test
