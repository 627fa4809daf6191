#pragma once

/// @file
/// A key type's or digest type's own mode and HMAC members checked against kavrit's generic
/// implementations over the same type's block function or hash.

#include <string>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Mode Hook Oracle Tests": for each mode (ECB, CBC, CFB, OFB, CTR, in that order) of
/// which the key type brings at least one entry point itself (AnyBlockCipher::ownHooks), two
/// leaves, e.g. for CTR:
/// - "CTRHookEdges" (unit case): fixed keys, IVs and messages of 0, 1, 2, 3, 17, 256 and 257
///   blocks, the lazy forms in one chunk, in chunks at block edges and in chunks longer than a
///   block; for CTR the IVs put the counter one to three blocks below each carry edge (2^8,
///   2^16, 2^32, 2^64, 2^96 and the wrap at 2^(8·block bytes)), under a patterned high part;
/// - "CTRHookDrawn" (property): drawn key, IV, message of up to 64 blocks and chunk plan.
/// Each own entry point must give the bytes and the next IV of kavrit's generic mode over the
/// type's own encryptBlock and decryptBlock; the entry points the type does not bring are
/// kavrit's already and are not compared. A type that brings no mode member gets the group with
/// no leaves: there is nothing to compare, and a runner registers nothing.
Test makeModeHookOracleTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeModeHookOracleTests() {
  return makeModeHookOracleTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeModeHookOracleTests(const K& /*key*/) {
  return makeModeHookOracleTests<K>();
}

/// The group "HMAC Hook Oracle Tests". When the digest type brings `hmac`, `hmacStrict` or both
/// (AnyHash::ownHooks), two leaves:
/// - "HMACHookEdges" (unit case): keys of 0, 1, B − 1, B, B + 1 and 2·B + 1 bytes (B the block
///   length in bytes) and messages of 0, 1, B and 4096 + B + 3 bytes; `hmac` gets each message
///   as no chunk or one chunk, in chunks at block edges, and in chunks of B + 7 bytes;
/// - "HMACHookDrawn" (property): drawn key and lazy message.
/// Each own hook must give the serialised MAC of RFC 2104 HMAC computed by kavrit over the type's
/// own `hash` and `hashStrict`. A type that brings neither hook gets the group with no leaves.
Test makeHMACHookOracleTests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
Test makeHMACHookOracleTests() {
  return makeHMACHookOracleTests(anyHash<D>());
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeHMACHookOracleTests(const D& /*digest*/) {
  return makeHMACHookOracleTests<D>();
}

namespace detail {
/// RFC 2104 HMAC over any hash, as kavrit::hmac computes it, serialised: the inner hash through
/// `hash` (the padded key as the first chunk, then the message's chunks), the outer one and a
/// key longer than a block through `hashStrict`.
ByteString genericHmacBytes(const AnyHash& hash, const ByteString& key,
                            const LazyByteString& message);
}  // namespace detail

}  // namespace kavrit::test
