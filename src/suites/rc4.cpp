#include "kavrit/test/rc4.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "kavrit/test/vector_files.hpp"
#include "suites/hash_vectors.hpp"
#include "suites/stream_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

using detail::KnownAnswer;

// The small calls that pass over the offset: 1 to kLongestPiece bytes, so that their ends fall
// everywhere in the 256-byte state cycle of the published offsets.
constexpr std::size_t kLongestPiece = 13;
constexpr std::size_t kLazyChunk = 5;
constexpr long long kLargestOffset = 1 << 20;

void checkRC4(const KnownAnswer& vector, const AnyStreamCipher& cipher) {
  const ByteString key = vector.bytes("KEY");
  const long long offset = vector.integer("OFFSET");
  // RFC 6229's offsets end at 4096; a damaged file must not make the test allocate gigabytes.
  if (offset < 0 || offset > kLargestOffset) {
    vector.fail("OFFSET " + std::to_string(offset) + " is outside 0 to " +
                std::to_string(kLargestOffset));
  }
  const ByteString skipped(static_cast<std::size_t>(offset), 0);
  const ByteString plaintext = vector.bytes("PLAINTEXT");
  const ByteString ciphertext = vector.bytes("CIPHERTEXT");

  const std::unique_ptr<AnyStream> whole = detail::startStream(vector, cipher, key, {}, 0);
  detail::applied(vector, whole->apply(skipped), "apply of the OFFSET bytes");
  vector.check(
      "apply of the PLAINTEXT, after one apply call of OFFSET bytes, differs from the "
      "CIPHERTEXT",
      detail::applied(vector, whole->apply(plaintext), "apply"), ciphertext);

  const std::unique_ptr<AnyStream> pieces = detail::startStream(vector, cipher, key, {}, 0);
  detail::appliedInPieces(vector, *pieces, skipped, 1, kLongestPiece);
  vector.check(
      "applyLazy of the PLAINTEXT in " + std::to_string(kLazyChunk) +
          "-byte chunks, after apply calls of 1 to " + std::to_string(kLongestPiece) +
          " bytes over OFFSET bytes, differs from the CIPHERTEXT",
      detail::applied(vector, pieces->applyLazy(chunked(plaintext, kLazyChunk)), "applyLazy"),
      ciphertext);
}

}  // namespace

std::vector<Test> makeRC4Tests(const AnyStreamCipher& cipher) {
  static constexpr std::string_view kRequired[] = {"KEY", "OFFSET", "PLAINTEXT", "CIPHERTEXT"};
  std::vector<Test> tests;
  for (const int bits : {40, 56, 64, 80, 128, 192, 256}) {
    std::size_t index = 0;
    const std::string prefix = "RC4-" + std::to_string(bits) + "-";
    for (Test& test : detail::singleFileTests(
             "Test/KAT_RC4", "RFC6229-" + std::to_string(bits) + ".rsp", kRequired,
             [&](const detail::RecordRef&record, std::vector<Test>&out) {
               out.push_back(detail::knownAnswerTest(
                   KnownAnswer(record, prefix + std::to_string(++index)),
                   [&cipher](const KnownAnswer& vector) { checkRC4(vector, cipher); }));
             })) {
      tests.push_back(std::move(test));
    }
  }
  return tests;
}

namespace detail {

std::unique_ptr<AnyStream> startStream(const KnownAnswer& vector, const AnyStreamCipher& cipher,
                                       const ByteString& key, const ByteString& nonce,
                                       std::uint64_t counter) {
  std::unique_ptr<AnyStream> stream = cipher.start(key, nonce, counter);
  if (!stream) {
    vector.fail("start refused the " + std::to_string(key.size() * 8) + "-bit key, " +
                (nonce.empty() ? std::string("the empty nonce")
                               : "the " + std::to_string(nonce.size() * 8) + "-bit nonce") +
                " and block counter " + std::to_string(counter));
  }
  return stream;
}

ByteString applied(const KnownAnswer& vector, std::optional<ByteString> output,
                   std::string_view entry) {
  if (!output) vector.fail(std::string(entry) + " refused; the keystream does not end there");
  return std::move(*output);
}

ByteString appliedInPieces(const KnownAnswer& vector, AnyStream& stream, const ByteString& data,
                           std::size_t first, std::size_t longest) {
  ByteString out;
  out.reserve(data.size());
  std::size_t length = first;
  for (std::size_t at = 0; at < data.size();) {
    const std::size_t take = std::min(length, data.size() - at);
    const ByteString piece(data.begin() + static_cast<std::ptrdiff_t>(at),
                           data.begin() + static_cast<std::ptrdiff_t>(at + take));
    const ByteString output =
        applied(vector, stream.apply(piece), "apply of " + std::to_string(take) + " bytes");
    out.insert(out.end(), output.begin(), output.end());
    at += take;
    if (length < longest) ++length;
  }
  return out;
}

}  // namespace detail
}  // namespace kavrit::test
