#pragma once

// The comparisons the hash known-answer families share: both entry points of the digest, and both
// of HMAC, against a vector's value.

#include <optional>

#include "kavrit/test/any_hash.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test::detail {

/// hashStrict of `message`, and hash of it in kVectorChunkSize-byte chunks, both serialise to
/// `digest` (the record's MD).
void checkDigests(const KnownAnswer& answer, const AnyHash& hash, const ByteString& message,
                  const ByteString& digest);

/// hmacStrict and hmac (in kVectorChunkSize-byte chunks) of `message` under `key` both serialise
/// to `mac` (the record's Mac); with `tagBytes`, both are cut to that many bytes first (Tlen).
void checkMacs(const KnownAnswer& answer, const AnyHash& hash, const ByteString& key,
               const ByteString& message, const ByteString& mac,
               std::optional<long long> tagBytes = std::nullopt);

}  // namespace kavrit::test::detail
