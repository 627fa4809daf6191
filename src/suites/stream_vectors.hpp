#pragma once

// What the stream-cipher known-answer families share: starting a stream for a vector and applying
// it, with the refusals failing the test.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "kavrit/test/any_stream_cipher.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test::detail {

/// cipher.start(key, nonce, counter); a refusal fails the test, naming the lengths and counter.
std::unique_ptr<AnyStream> startStream(const KnownAnswer& vector, const AnyStreamCipher& cipher,
                                       const ByteString& key, const ByteString& nonce,
                                       std::uint64_t counter);

/// What `entry` ("apply") gave; a refusal fails the test.
ByteString applied(const KnownAnswer& vector, std::optional<ByteString> output,
                   std::string_view entry);

/// `data` through successive apply calls on `stream`, the first of `first` bytes, each next one a
/// byte longer up to `longest`, then `longest` bytes each.
ByteString appliedInPieces(const KnownAnswer& vector, AnyStream& stream, const ByteString& data,
                           std::size_t first, std::size_t longest);

}  // namespace kavrit::test::detail
