#pragma once

// The comparisons the hash known-answer families share: both entry points of the digest, and both
// of HMAC, against a vector's value.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

/// The record's integer field `lengthField` ("L", "LENGTH") as a byte count; fails the test,
/// naming both fields, unless it is the length of `bytes`, the decoded field `bytesField`.
std::size_t checkedLength(const KnownAnswer& answer, std::string_view lengthField,
                          std::string_view bytesField, const ByteString& bytes);

/// The one name of `supported` ("MD5", "SHA1", "SHA224", "SHA256", "SHA384", "SHA512",
/// "RIPEMD160") whose
/// output and block lengths `hash` reports. Throws std::invalid_argument saying that `vectors`
/// (such as "RFC 4231 has HMAC vectors") exist only for those, when there is none.
std::string_view vectorAlgorithm(const AnyHash& hash, std::span<const std::string_view> supported,
                                 std::string_view vectors);

/// The tests of the one file `file` of the vector directory `directory` (a name of the table,
/// resolved by getDataFileName): each record with every field of `required` goes to `addTests`.
std::vector<Test> singleFileTests(
    std::string_view directory, std::string file, std::span<const std::string_view> required,
    const std::function<void(const RecordRef&, std::vector<Test>&)>& addTests);

}  // namespace kavrit::test::detail
