#pragma once

/// @file
/// A key type's or digest type's own construction members (GCM, CCM, XTS, CMAC, key wrap, CBC
/// with padding; HKDF and PBKDF2) checked against kavrit's generic constructions over the same
/// type's block function or HMAC, refusals included.

#include <cstddef>
#include <cstdint>
#include <string>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Construction Hook Oracle Tests": for each construction (GCM, CCM, XTS, CMAC, KW,
/// KWP, CBCPad, in that order) that is defined for the key type's block size and of which it
/// brings at least one entry point itself (AnyBlockCipher::ownConstructionHooks), two leaves, e.g.
/// for GCM:
/// - "GCMHookEdges" (unit case): fixed keys and inputs: empty ones, every length from 0 to two
///   blocks + 1 and 64 KiB + 1 bytes; for GCM 12- and 16-byte IVs and a 16-byte IV solved so that
///   the first counter block ends in fffffffe (the 32-bit counter wraps inside the message); for
///   CCM AAD of 65,279, 65,280 and 65,281 bytes (where the AAD length encoding changes) and
///   payloads of 65,279 and 65,281 bytes; for XTS data units of 33 and 1001 blocks with and
///   without stealing; for CMAC keys whose subkey derivation does and does not fold in R_b, for
///   K1 and for K2;
/// - "GCMHookDrawn" (property): drawn key, inputs and chunk plan.
/// Each own entry point (strict and lazy) must give the bytes of kavrit's generic construction
/// over the key's own encryptBlock and decryptBlock; an own decryption or unwrapping must refuse
/// exactly where the generic one refuses (a flipped tag, ciphertext or padding, a cut input), and
/// throw exactly where it throws. Entry points the type does not bring are kavrit's already and
/// are not compared. A type with no own construction member gets the group with no leaves.
Test makeConstructionHookOracleTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeConstructionHookOracleTests() {
  return makeConstructionHookOracleTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeConstructionHookOracleTests(const K& /*key*/) {
  return makeConstructionHookOracleTests<K>();
}

/// Which implementation of each construction the group above tests, one per construction
/// defined for the block size, e.g. "GCM: own gcmEncrypt/gcmDecrypt, kavrit
/// gcmEncryptLazy/gcmDecryptLazy; CCM: kavrit ccmEncrypt/ccmDecrypt; ...".
std::string describeConstructionOracles(const AnyBlockCipher& cipher);

/// The group "KDF Hook Oracle Tests". When the digest type brings `hkdfExtract`, `hkdfExpand`,
/// `hkdf` or `pbkdf2` (AnyHash::ownKDFHooks), for HKDF and for PBKDF2 of which it brings one:
/// - "HKDFHookEdges" (unit case): empty and non-empty salt and info in every combination, outputs
///   of 0, 1, k·HashLen and k·HashLen + 1 bytes (k = 1, 2), 255·HashLen and one byte more (which
///   both must refuse);
/// - "HKDFHookDrawn" (property): drawn salt, key material, info and length;
/// - "PBKDF2HookEdges": outputs of 1, hLen and hLen + 1 bytes, iterations 1, 2 and 3, empty and
///   non-empty password and salt, and no iterations (which both must refuse);
/// - "PBKDF2HookDrawn": drawn password, salt, 1 to 4 iterations and length.
/// Each own hook must give the bytes of RFC 5869 and RFC 8018 computed by kavrit over the type's
/// HMAC (`hmacStrict`), and throw exactly where that throws. With no own hook, no leaves.
Test makeKDFHookOracleTests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
Test makeKDFHookOracleTests() {
  return makeKDFHookOracleTests(anyHash<D>());
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeKDFHookOracleTests(const D& /*digest*/) {
  return makeKDFHookOracleTests<D>();
}

namespace detail {
// kavrit's HKDF and PBKDF2 over any hash's `hmacStrict`, compiled once in the library; they
// throw std::invalid_argument where kavrit::hkdfExpand and kavrit::pbkdf2 do.
ByteString genericHkdfExtract(const AnyHash& hash, const ByteString& salt, const ByteString& ikm);
ByteString genericHkdfExpand(const AnyHash& hash, const ByteString& prk, const ByteString& info,
                             std::size_t length);
ByteString genericPbkdf2(const AnyHash& hash, const ByteString& password, const ByteString& salt,
                         std::uint64_t iterations, std::size_t length);
}  // namespace detail

}  // namespace kavrit::test
