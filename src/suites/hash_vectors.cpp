#include "suites/hash_vectors.hpp"

#include <string>
#include <utility>

#include "kavrit/test/vector_files.hpp"

namespace kavrit::test::detail {
namespace {

const std::string kChunks = " (" + std::to_string(kVectorChunkSize) + "-byte chunks)";

}  // namespace

void checkDigests(const KnownAnswer& answer, const AnyHash& hash, const ByteString& message,
                  const ByteString& digest) {
  answer.check(
      "hashStrict and hash" + kChunks + " of the message against the MD",
      std::pair(hash.hashStrictBytes(message), hash.hashBytes(chunked(message, kVectorChunkSize))),
      std::pair(digest, digest));
}

void checkMacs(const KnownAnswer& answer, const AnyHash& hash, const ByteString& key,
               const ByteString& message, const ByteString& mac,
               std::optional<long long> tagBytes) {
  ByteString strict = hash.hmacStrict(key, message).serialize();
  ByteString lazy = hash.hmac(key, chunked(message, kVectorChunkSize)).serialize();
  if (tagBytes) {
    strict = takeBytes(strict, *tagBytes);
    lazy = takeBytes(lazy, *tagBytes);
  }
  answer.check("hmacStrict and hmac" + kChunks + (tagBytes ? ", cut to Tlen bytes," : "") +
                   " against the Mac",
               std::pair(strict, lazy), std::pair(mac, mac));
}

}  // namespace kavrit::test::detail
