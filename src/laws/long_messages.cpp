#include "kavrit/test/long_messages.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/boundaries.hpp"
#include "kavrit/test/hex.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {
namespace {

// Digests of the message of 1,000,000 bytes 'a' and of the 512 MiB + 1-byte pattern message
// ("HalfGiBPlusOne"), in hex. The SHA digests of the first are those published with the FIPS 180
// examples; MD5's and all of the second were computed with OpenSSL (openssl dgst) and with Nettle
// (nettle-meta's hash table), which agree.
struct KnownDigests {
  HashAlgorithm algorithm;
  const char* millionA;
  const char* halfGiBPlusOne;
};

constexpr KnownDigests kKnown[] = {
    {HashAlgorithm::MD5, "7707d6ae4e027c70eea2a935c2296f21", "14014a99392922d28dc1d495c30c0fc8"},
    {HashAlgorithm::SHA1, "34aa973cd4c4daa4f61eeb2bdbad27316534016f",
     "a7c92d1e2ecd6e6822092736877374e1996b0083"},
    {HashAlgorithm::SHA224, "20794655980c91d8bbb4c1ea97618a4bf03f42581948b2ee4ee7ad67",
     "865f1f382f92d5ec388cfc65ba37be4ab423dd942e5af703e02221bf"},
    {HashAlgorithm::SHA256, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
     "bb74ad383665109abcde4b229c0b4c4035dd3845b7ee2959cc7d052f1350e779"},
    {HashAlgorithm::SHA384,
     "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8"
     "985",
     "dfb253d2db18966b6dacaae35c90cfb0afa28a04c5dc607d5481466b6e6bfec0a79417f62e87f0b8cf8a88fe5b316"
     "0b1"},
    {HashAlgorithm::SHA512,
     "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c"
     "31beb009c5c2c49aa2e4eadb217ad8cc09b",
     "7d3f777e4b31db9cb6c760866e8e1f9db8b5111088fc12dfbd3a92654986d19f7e774bdbbab67d385a956287c8d1b"
     "bb171f63cd4d967e4d4fd5423b06e7aab6f"},
};

const KnownDigests* knownDigests(HashAlgorithm algorithm) {
  for (const KnownDigests& known : kKnown) {
    if (known.algorithm == algorithm) return &known;
  }
  return nullptr;
}

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Every entry point on one message; a named digest, when given, is what each must give.
void entryPointsAgree(const AnyHash& h, const std::string& name, const ByteString& message,
                      const std::vector<std::size_t>& chunkSizes, const char* knownHex) {
  const ByteString strict = h.hashStrictBytes(message);
  const std::string what = "the " + name + " (" + std::to_string(message.size()) + " bytes)";
  if (knownHex != nullptr) {
    assertEqual("hashStrict of " + what + " differs from its published digest",
                hexStringToBS(knownHex), strict, ValueLabels{"published", "hashStrict"});
  }
  assertEqual("hash of " + what + " in one chunk differs from hashStrict", strict,
              h.hashBytes(LazyByteString({message})), ValueLabels{"hashStrict", "hash"});
  for (const std::size_t size : chunkSizes) {
    assertEqual("hash of " + what + " in chunks of " + std::to_string(size) +
                    " bytes differs from hashStrict",
                strict, h.hashBytes(applyChunkPlan(message, fixedSizeChunks(message.size(), size))),
                ValueLabels{"hashStrict", "hash"});
  }
}

// The pattern message of `n` bytes (byte i is i·167 + 13 mod 256, as detail::fixedMessage) as
// chunks of `chunk` bytes.
LazyByteString patternMessage(std::size_t n, std::size_t chunk) {
  std::vector<ByteString> chunks;
  chunks.reserve(n / chunk + 1);
  for (std::size_t from = 0; from < n; from += chunk) {
    const std::size_t size = std::min(chunk, n - from);
    ByteString bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
      bytes[i] = static_cast<std::uint8_t>((from + i) * 167 + 13);
    }
    chunks.push_back(std::move(bytes));
  }
  return LazyByteString(std::move(chunks));
}

void halfGiBPlusOne(const AnyHash& h, HashAlgorithm algorithm) {
  const std::size_t n = 512 * kMiB + 1;
  const ByteString digest = h.hashBytes(patternMessage(n, kMiB));
  if (const KnownDigests* known = knownDigests(algorithm)) {
    assertEqual(
        "hash of the 512 MiB + 1-byte pattern message in 1 MiB chunks differs from its "
        "known digest",
        hexStringToBS(known->halfGiBPlusOne), digest, ValueLabels{"known", "hash"});
    return;
  }
  assertEqual(
      "hash of the 512 MiB + 1-byte pattern message in chunks of 1 MiB and of 1 MiB - 1 "
      "bytes differ",
      digest, h.hashBytes(patternMessage(n, kMiB - 1)),
      ValueLabels{"1 MiB chunks", "1 MiB - 1 chunks"});
}

// One mode on one long message, as the long mode cases check it.
struct LongMode {
  const char* label;
  bool chained;
  ChainedMode encrypt;
  ChainedMode decrypt;
};

using Result = std::pair<ByteString, ByteString>;

Result run(const AnyKey& key, const LongMode& mode, bool decrypt, const ByteString& iv,
           const ByteString& in) {
  if (!mode.chained) return {decrypt ? key.unEcb(in) : key.ecb(in), ByteString()};
  return key.chained(decrypt ? mode.decrypt : mode.encrypt, iv, in);
}

Result runLazy(const AnyKey& key, const LongMode& mode, bool decrypt, const ByteString& iv,
               const LazyByteString& in) {
  if (!mode.chained) {
    return {(decrypt ? key.unEcbLazy(in) : key.ecbLazy(in)).flatten(), ByteString()};
  }
  auto [out, next] = key.chainedLazy(decrypt ? mode.decrypt : mode.encrypt, iv, in);
  return {out.flatten(), std::move(next)};
}

void longMode(const AnyBlockCipher& cipher, const LongMode& mode) {
  const std::size_t b = cipher.blockBytes();
  const ByteString keyBytes = keyMaterial(cipher.keyLength(), detail::fixedMessage(31));
  const auto key = cipher.buildKey(keyBytes);
  if (!key) throw AssertionFailure("buildKey refuses the key " + toHex(keyBytes));
  const auto iv = cipher.parseIV(detail::fixedMessage(b + 3));
  if (!iv) throw AssertionFailure("parseIV refuses a block of " + std::to_string(b) + " bytes");
  const std::string name(mode.label);
  for (const std::size_t n : {257 * b, 65536 - 65536 % b}) {
    const ByteString message = detail::fixedMessage(n);
    const std::size_t blocks = n / b;
    const std::string of = " of " + std::to_string(blocks) + " blocks";
    const Result encrypted = run(*key, mode, false, *iv, message);
    const Result decrypted = run(*key, mode, true, *iv, encrypted.first);
    assertEqual(name + " decryption" + of + " does not give back the plaintext", message,
                decrypted.first, ValueLabels{"plaintext", "decrypted"});
    assertEqual(name + " decryption" + of + " ends on another next IV than encryption",
                encrypted.second, decrypted.second, ValueLabels{"encryption", "decryption"});
    for (const bool decrypt : {false, true}) {
      const std::string direction = name + (decrypt ? " decryption" : " encryption");
      const Result whole = run(*key, mode, decrypt, *iv, message);
      for (const std::size_t chunk : {std::size_t{1000}, b}) {
        assertEqual(
            direction + of + " in chunks of " + std::to_string(chunk) +
                " bytes (lazy) differs from one strict call",
            whole,
            runLazy(*key, mode, decrypt, *iv, applyChunkPlan(message, fixedSizeChunks(n, chunk))),
            ValueLabels{"strict", "lazy"});
      }
      for (const std::size_t split :
           {std::size_t{1}, std::size_t{255}, std::size_t{256}, std::size_t{257}, blocks - 1}) {
        if (split >= blocks) continue;
        const auto at = static_cast<std::ptrdiff_t>(split * b);
        Result first =
            run(*key, mode, decrypt, *iv, ByteString(message.begin(), message.begin() + at));
        const Result rest = run(*key, mode, decrypt, mode.chained ? first.second : *iv,
                                ByteString(message.begin() + at, message.end()));
        first.first.insert(first.first.end(), rest.first.begin(), rest.first.end());
        assertEqual(direction + of + " split after block " + std::to_string(split) +
                        " differs from one call",
                    whole, Result{first.first, rest.second}, ValueLabels{"one call", "two calls"});
      }
    }
  }
}

constexpr LongMode kLongModes[] = {
    {"ECB", false, ChainedMode::CBC, ChainedMode::UnCBC},
    {"CBC", true, ChainedMode::CBC, ChainedMode::UnCBC},
    {"CFB", true, ChainedMode::CFB, ChainedMode::UnCFB},
    {"OFB", true, ChainedMode::OFB, ChainedMode::UnOFB},
    {"CTR", true, ChainedMode::CTR, ChainedMode::UnCTR},
};

}  // namespace

Test makeLongMessageTests(const AnyHash& h, HashAlgorithm algorithm, LongMessageOptions options) {
  const KnownDigests* known = knownDigests(algorithm);
  std::vector<Test> members{
      testCase("MillionA",
               [&h, known] {
                 entryPointsAgree(h, "message of 1,000,000 'a'", ByteString(1000000, 'a'), {1000},
                                  known ? known->millionA : nullptr);
               }),
      testCase("Strict64KiBPlus1",
               [&h] {
                 const std::size_t b = detail::boundaryBlockBytes(h.blockLength());
                 entryPointsAgree(h, "pattern message", detail::fixedMessage(65537),
                                  {1000, 3 * b + 1}, nullptr);
               }),
      testCase("Strict1MiB",
               [&h] {
                 const std::size_t b = detail::boundaryBlockBytes(h.blockLength());
                 entryPointsAgree(h, "pattern message", detail::fixedMessage(kMiB),
                                  {1000, 3 * b + 1}, nullptr);
               }),
  };
  if (options.slow) {
    members.push_back(testGroup(
        "Slow", {testCase("HalfGiBPlusOne", [&h, algorithm] { halfGiBPlusOne(h, algorithm); })}));
  }
  return testGroup("Long Message Tests", std::move(members));
}

Test makeLongModeTests(const AnyBlockCipher& cipher) {
  std::vector<Test> members;
  for (const LongMode& mode : kLongModes) {
    members.push_back(testCase(std::string(mode.label) + "LongMessage",
                               [&cipher, &mode] { longMode(cipher, mode); }));
  }
  return testGroup("Long Mode Tests", std::move(members));
}

}  // namespace kavrit::test
