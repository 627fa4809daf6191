#include "kavrit/test/state_laws.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/boundaries.hpp"
#include "laws/drawn_bytes.hpp"
#include "laws/drawn_keys.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {
namespace {

// What one operation is given: an IV and a message of whole blocks, and the chunks for the lazy
// entry points.
struct Inputs {
  ByteString iv;
  ByteString message;
  ChunkPlan plan;
};

// One entry point of a key: its name and what it gives, the output followed by the next IV for
// the chained modes.
struct Operation {
  std::string name;
  std::function<ByteString(const AnyKey&, const Inputs&)> run;
};

ByteString joined(ByteString out, const ByteString& next) {
  out.insert(out.end(), next.begin(), next.end());
  return out;
}

LazyByteString lazyOf(const Inputs& in) { return applyChunkPlan(in.message, in.plan); }

const std::vector<Operation>& operations() {
  static const std::vector<Operation> all = [] {
    std::vector<Operation> ops{
        {"encryptBlock",
         [](const AnyKey& k, const Inputs& in) { return k.encryptBlock(in.message); }},
        {"decryptBlock",
         [](const AnyKey& k, const Inputs& in) { return k.decryptBlock(in.message); }},
        {"ecb", [](const AnyKey& k, const Inputs& in) { return k.ecb(in.message); }},
        {"unEcb", [](const AnyKey& k, const Inputs& in) { return k.unEcb(in.message); }},
        {"ecbLazy",
         [](const AnyKey& k, const Inputs& in) { return k.ecbLazy(lazyOf(in)).flatten(); }},
        {"unEcbLazy",
         [](const AnyKey& k, const Inputs& in) { return k.unEcbLazy(lazyOf(in)).flatten(); }},
    };
    for (const ChainedMode mode :
         {ChainedMode::CBC, ChainedMode::UnCBC, ChainedMode::CFB, ChainedMode::UnCFB,
          ChainedMode::OFB, ChainedMode::UnOFB, ChainedMode::CTR, ChainedMode::UnCTR}) {
      const std::string name(chainedModeName(mode));
      ops.push_back({name, [mode](const AnyKey& k, const Inputs& in) {
                       auto [out, next] = k.chained(mode, in.iv, in.message);
                       return joined(std::move(out), next);
                     }});
      ops.push_back({name + "Lazy", [mode](const AnyKey& k, const Inputs& in) {
                       auto [out, next] = k.chainedLazy(mode, in.iv, lazyOf(in));
                       return joined(out.flatten(), next);
                     }});
    }
    return ops;
  }();
  return all;
}

// Fixed inputs of three blocks; the lazy entry points get chunks of 5 bytes.
Inputs fixedInputs(const AnyBlockCipher& cipher) {
  const std::size_t b = cipher.blockBytes();
  ByteString message = detail::fixedMessage(3 * b + 7);
  message.erase(message.begin(), message.begin() + 7);
  const auto iv = cipher.parseIV(detail::fixedMessage(b));
  if (!iv) throw AssertionFailure("parseIV refuses a block of " + std::to_string(b) + " bytes");
  return Inputs{*iv, message, fixedSizeChunks(message.size(), 5)};
}

std::unique_ptr<const AnyKey> fixedKey(const AnyBlockCipher& cipher) {
  const ByteString bytes = keyMaterial(cipher.keyLength(), detail::fixedMessage(13));
  auto key = cipher.buildKey(bytes);
  if (!key) throw AssertionFailure("buildKey refuses the key " + toHex(bytes));
  return key;
}

void sameOperationTwice(const AnyBlockCipher& cipher) {
  const Inputs in = fixedInputs(cipher);
  for (const Operation& op : operations()) {
    const auto key = fixedKey(cipher);
    const ByteString first = op.run(*key, in);
    assertEqual(op.name + " called twice on one key gives another result the second time", first,
                op.run(*key, in), ValueLabels{"first call", "second call"});
  }
}

void everyOperationAfterEveryOther(const AnyBlockCipher& cipher) {
  const Inputs in = fixedInputs(cipher);
  std::vector<ByteString> fresh;
  for (const Operation& op : operations()) fresh.push_back(op.run(*fixedKey(cipher), in));
  for (const Operation& before : operations()) {
    for (std::size_t i = 0; i < operations().size(); ++i) {
      const auto key = fixedKey(cipher);
      (void)before.run(*key, in);
      assertEqual(operations()[i].name + " after " + before.name +
                      " on the same key gives another result than on a fresh key",
                  fresh[i], operations()[i].run(*key, in), ValueLabels{"fresh key", "used key"});
    }
  }
}

// Inputs drawn inside a property: an IV, a message of 0 to 8 blocks and its chunk plan.
Inputs drawInputs(const AnyBlockCipher& cipher) {
  const std::size_t b = cipher.blockBytes();
  const ByteString iv = detail::ivOrDiscard(cipher, *rc::gen::arbitrary<RandomBytes>());
  const std::size_t blocks = *rc::gen::inRange<std::size_t>(0, 9);
  const ByteString message = detail::pickBytes(arbitraryByteStringOfLength(blocks * b));
  return Inputs{iv, message, *arbitraryChunkPlan(message.size(), b)};
}

void copyAgrees(const AnyBlockCipher& cipher) {
  const auto key = detail::keyOrDiscard(cipher, *rc::gen::arbitrary<RandomBytes>());
  const Inputs in = drawInputs(cipher);
  std::vector<ByteString> before;
  for (const Operation& op : operations()) before.push_back(op.run(*key, in));
  {
    const auto copy = key->clone();
    for (std::size_t i = 0; i < operations().size(); ++i) {
      if (!(operations()[i].run(*copy, in) == before[i])) {
        RC_FAIL(operations()[i].name +
                " on a copy of the key gives another result than on the "
                "original");
      }
    }
  }
  for (std::size_t i = 0; i < operations().size(); ++i) {
    if (!(operations()[i].run(*key, in) == before[i])) {
      RC_FAIL(operations()[i].name +
              " on the original key gives another result once its copy "
              "is gone");
    }
  }
}

void interleavedOperations(const AnyBlockCipher& cipher) {
  const RandomBytes seed = *rc::gen::arbitrary<RandomBytes>();
  const auto key = detail::keyOrDiscard(cipher, seed);
  const std::size_t count = *rc::gen::inRange<std::size_t>(2, 17);
  std::string done;
  for (std::size_t step = 0; step < count; ++step) {
    const Operation& op = operations()[*rc::gen::inRange<std::size_t>(0, operations().size())];
    const Inputs in = drawInputs(cipher);
    const auto fresh = detail::keyOrDiscard(cipher, seed);
    if (!(op.run(*key, in) == op.run(*fresh, in))) {
      RC_FAIL(op.name + " on a key that has done " + (done.empty() ? "nothing" : done) +
              " gives another result than on a fresh key");
    }
    done += (done.empty() ? "" : ", ") + op.name;
  }
}

// The same content in a buffer of its own.
ByteString separateCopy(const ByteString& content) {
  ByteString copy;
  copy.reserve(content.size() + 1);
  copy.assign(content.begin(), content.end());
  return copy;
}

void equalBuffersEqualDigests(const AnyHash& h) {
  const std::size_t b = detail::boundaryBlockBytes(h.blockLength());
  for (const std::size_t n : boundaryLengths(b, 2)) {
    const ByteString a = detail::fixedMessage(n);
    const ByteString other = separateCopy(a);
    const std::string text = "the " + std::to_string(n) + "-byte message";
    assertEqual("hashStrict of two buffers holding " + text + " gives two digests", h.hashStrict(a),
                h.hashStrict(other), ValueLabels{"first buffer", "second buffer"});
    const ChunkPlan plan = fixedSizeChunks(n, b / 2 + 1);
    assertEqual("hash of two lazy strings holding " + text + " gives two digests",
                h.hash(applyChunkPlan(a, plan)), h.hash(applyChunkPlan(other, plan)),
                ValueLabels{"first string", "second string"});
  }
}

// Hashes `buffer`, changes byte `at` in place, and checks the next digest is the new content's.
void changeInPlace(const AnyHash& h, ByteString& buffer, std::size_t at, std::uint8_t mask,
                   const std::string& where) {
  const Digest before = h.hashStrict(buffer);
  buffer[at] ^= mask;
  const Digest after = h.hashStrict(buffer);
  const Digest expected = h.hashStrict(separateCopy(buffer));
  if (!(after == expected) || after == before) {
    throw AssertionFailure("hashStrict of a " + std::to_string(buffer.size()) +
                           "-byte buffer whose byte " + std::to_string(at) + " (" + where +
                           ") was changed in place gives " + after.text() +
                           ", the digest of its new content is " + expected.text() +
                           " and of its old content " + before.text());
  }
}

void bufferChangedInPlace(const AnyHash& h) {
  const std::size_t b = detail::boundaryBlockBytes(h.blockLength());
  for (const std::size_t n : boundaryLengths(b, 2)) {
    if (n == 0) continue;
    ByteString buffer = detail::fixedMessage(n);
    changeInPlace(h, buffer, 0, 0x01, "the first");
    changeInPlace(h, buffer, n / 2, 0x80, "a middle one");
    changeInPlace(h, buffer, n - 1, 0x10, "the last");
  }
}

}  // namespace

Test makeBlockCipherStateTests(const AnyBlockCipher& cipher) {
  return testGroup(
      "Block Cipher State Tests",
      {
          testProperty("CopyAgrees", [&cipher] { copyAgrees(cipher); }),
          testCase("SameOperationTwice", [&cipher] { sameOperationTwice(cipher); }),
          testCase("EveryOperationAfterEveryOther",
                   [&cipher] { everyOperationAfterEveryOther(cipher); }),
          testProperty("InterleavedOperations", [&cipher] { interleavedOperations(cipher); }),
      });
}

Test makeHashStateTests(const AnyHash& h) {
  return testGroup(
      "Hash State Tests",
      {
          testCase("EqualBuffersEqualDigests", [&h] { equalBuffersEqualDigests(h); }),
          testCase("BufferChangedInPlace", [&h] { bufferChangedInPlace(h); }),
          testProperty("DrawnBufferChangedInPlace",
                       [&h](const RandomBytes& drawn) {
                         ByteString buffer = drawn.value;
                         RC_PRE(!buffer.empty());
                         const std::size_t at = *rc::gen::inRange<std::size_t>(0, buffer.size());
                         const auto mask =
                             static_cast<std::uint8_t>(*rc::gen::inRange<unsigned>(1, 256));
                         const Digest before = h.hashStrict(buffer);
                         buffer[at] ^= mask;
                         // The buffer is hashed right after the change, before any other.
                         const Digest after = h.hashStrict(buffer);
                         if (!(after == h.hashStrict(separateCopy(buffer)))) {
                           RC_FAIL("hashStrict of a buffer changed in place at byte " +
                                   std::to_string(at) +
                                   " gives another digest than its new content in a new buffer");
                         }
                         if (after == before) {
                           RC_FAIL("hashStrict of a buffer changed in place at byte " +
                                   std::to_string(at) + " still gives its old digest");
                         }
                       }),
      });
}

}  // namespace kavrit::test
