#pragma once

/// @file
/// Known-answer tests of AES in CTR mode against the files in `Test/KAT_AES_CTR` (the NIST
/// SP 800-38A examples, whose counter carries across bytes, and the RFC 3686 vectors).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test {

/// Chunk size of the lazy CTR input; divides no block size, so chunks end inside blocks.
inline constexpr std::size_t kAESCTRChunkSize = kVectorChunkSize;

/// One unit case per usable record of the files in `Test/KAT_AES_CTR` (see readAESCTRVectors),
/// named "<file name>-<COUNT>", in listing order. Records whose KEY `buildKey` refuses or whose IV
/// `IV::parse` refuses are left out; each test holds the key built to decide this. Each case runs
/// `ctr` (`unCtr` for a decrypt file) on the whole input and `ctrLazy` (`unCtrLazy`) on it in
/// 37-byte chunks; both outputs must equal the vector and both next IVs must agree. CTR is a
/// stream mode but kavrit's modes take whole blocks, so an input ending in a partial block (RFC
/// 3686's 36-byte vectors) is padded with zero bytes and only its own length of the output is
/// compared. No laws follow: makeBlockCipherPropTests has the CTR ones. A `buildKey` or
/// `IV::parse` that throws gives a test failing with its error.
std::vector<Test> makeAESCTRTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeAESCTRTests() {
  return makeAESCTRTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeAESCTRTests(const K& /*key*/) {
  return makeAESCTRTests<K>();
}

/// The same over getDataFileName("Test/KAT_AES_CTR_EDGES"): counters a few blocks below each carry
/// edge (2^8, 2^32, 2^64, 2^96) and the wrap at 2^128, where a counter that carries only within
/// the low 32 or 64 bits goes wrong: 9 vectors per key size in each direction, named like the
/// others
/// ("CTREdges-128e.rsp-0").
std::vector<Test> makeAESCTREdgeTests(const AnyBlockCipher& cipher);

template <BlockCipher K>
std::vector<Test> makeAESCTREdgeTests() {
  return makeAESCTREdgeTests(anyBlockCipher<K>());
}

}  // namespace kavrit::test
