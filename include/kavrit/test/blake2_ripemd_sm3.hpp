#pragma once

/// @file
/// Known-answer suites of BLAKE2b-512, BLAKE2s-256, RIPEMD-160 and SM3, from Test/KAT_HASHES of
/// the data directory (one file per algorithm: BLAKE2b512.rsp, BLAKE2s256.rsp, RIPEMD160.rsp,
/// SM3.rsp, each of Len/Msg/MD records), together with the hash property laws.
///
/// Each record is one test, named "<algorithm>-<i>" (i counts from 1 in file order): hashStrict of
/// the message and hash of it in 37-byte chunks must both serialise to the MD. The digest types
/// give their compression block as blockLength(): 1024 bits for BLAKE2b, 512 for the others.
/// The builders do not check the lengths a type reports; a wrong output length fails every test.

#include <string_view>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// "BLAKE2b512-1" … "BLAKE2b512-7" (messages of 0 to 80 bytes), then the property group.
std::vector<Test> makeBLAKE2b512Tests(const AnyHash& hash);
/// "BLAKE2s256-1" … "BLAKE2s256-7" (keyless, messages of 0 to 80 bytes), then the property group.
std::vector<Test> makeBLAKE2s256Tests(const AnyHash& hash);
/// "RIPEMD160-1" … "RIPEMD160-8" (the RIPEMD-160 authors' messages of 0 to 80 bytes), then the
/// property group.
std::vector<Test> makeRIPEMD160Tests(const AnyHash& hash);
/// "SM3-1" … "SM3-6" (messages of 0 to 256 bytes, the standard's two examples among them), then
/// the property group.
std::vector<Test> makeSM3Tests(const AnyHash& hash);

/// The same for digest type D, and for a caller that has a digest value at hand (never read).
#define KAVRIT_DIGEST_KATS(NAME)                \
  template <Hash D>                             \
  std::vector<Test> NAME() {                    \
    return NAME(anyHash<D>());                  \
  }                                             \
  template <Hash D>                             \
  std::vector<Test> NAME(const D& /*digest*/) { \
    return NAME(anyHash<D>());                  \
  }
KAVRIT_DIGEST_KATS(makeBLAKE2b512Tests)
KAVRIT_DIGEST_KATS(makeBLAKE2s256Tests)
KAVRIT_DIGEST_KATS(makeRIPEMD160Tests)
KAVRIT_DIGEST_KATS(makeSM3Tests)
#undef KAVRIT_DIGEST_KATS

}  // namespace kavrit::test
