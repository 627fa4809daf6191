#pragma once

/// @file
/// Long messages: lengths that overflow narrow length counters and chunk sizes, and mode inputs of
/// more than 256 blocks.

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// Which published digests a long-message group checks; Other checks only that the entry points
/// agree.
enum class HashAlgorithm { Other, MD5, SHA1, SHA224, SHA256, SHA384, SHA512 };

struct LongMessageOptions {
  /// Adds the group "Slow": a message of 512 MiB + 1 byte. Off by default.
  bool slow = false;
};

/// The group "Long Message Tests", unit cases over fixed messages:
/// - "MillionA": the message of 1,000,000 bytes 'a', through `hashStrict`, `hash` in one chunk
///   and `hash` in chunks of 1000 bytes; for a named algorithm each equals the published digest
///   (FIPS 180 examples for SHA; for MD5 the value OpenSSL and Nettle agree on), for Other they
///   agree;
/// - "Strict64KiBPlus1" and "Strict1MiB": a fixed message of 65,537 bytes and one of 1 MiB
///   through `hashStrict`, `hash` in one chunk, in chunks of 1000 bytes and in chunks of 3·B + 1
///   bytes (B the block length in bytes): all four agree.
/// With options.slow, then the group "Slow" with "HalfGiBPlusOne": 512 MiB + 1 bytes of a fixed
/// pattern (byte i is i·167 + 13 mod 256) through `hash` in 1 MiB chunks and a 1-byte chunk; for
/// a named algorithm it equals the committed digest (computed with OpenSSL and Nettle), for Other
/// it equals `hash` of the same message in chunks of 1 MiB − 1 bytes. The message is held once, as
/// the chunks of a lazy string (LazyByteString owns its chunks, so it cannot be shorter): about
/// 512 MiB of memory while the case runs.
Test makeLongMessageTests(const AnyHash& hash, HashAlgorithm algorithm,
                          LongMessageOptions options = {});

/// The same for digest type D.
template <Hash D>
Test makeLongMessageTests(HashAlgorithm algorithm, LongMessageOptions options = {}) {
  return makeLongMessageTests(anyHash<D>(), algorithm, options);
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeLongMessageTests(const D& /*digest*/, HashAlgorithm algorithm,
                          LongMessageOptions options = {}) {
  return makeLongMessageTests<D>(algorithm, options);
}

/// The group "Long Mode Tests", one unit case per mode: "ECBLongMessage", "CBCLongMessage",
/// "CFBLongMessage", "OFBLongMessage", "CTRLongMessage". Each takes fixed messages of 257 blocks
/// and of 64 KiB (4096 blocks of 16 bytes) with a fixed key and IV and checks that decryption
/// undoes encryption, that the lazy entry points (in chunks of 1000 bytes and at block edges)
/// give the strict ones' bytes and next IV, and for the chained modes that two calls split after
/// block 1, 255, 256, 257 and the last but one give one call's bytes and next IV.
Test makeLongModeTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeLongModeTests() {
  return makeLongModeTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeLongModeTests(const K& /*key*/) {
  return makeLongModeTests<K>();
}

}  // namespace kavrit::test
