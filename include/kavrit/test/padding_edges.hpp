#pragma once

/// @file
/// Known answers for a hash at its padding edges: every message length from 0 to 3 blocks + 1
/// byte, and the lengths 2^k - 1, 2^k and 2^k + 1 for k up to 20, each through hashStrict, through
/// hash in 37-byte chunks, and through HMAC (strict and chunked) under a key of one block. The
/// digests come from getDataFileName("Test/KAT_HASH_EDGES"), written by
/// tools/generate_edge_vectors with OpenSSL and checked against Nettle; the messages are made by
/// the rule the files state (byte i of the n-byte message is (31 i + n) mod 256).
///
/// One test per length, named "<algorithm>Edges-<bytes>" ("SHA256Edges-55"): 233 for MD5, SHA-1,
/// SHA-224, SHA-256, RIPEMD-160 and SM3, 422 for SHA-384 and SHA-512.

#include <string_view>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The tests of the file "<algorithm>Edges.rsp", for "MD5", "SHA1", "SHA224", "SHA256", "SHA384",
/// "SHA512", "RIPEMD160" or "SM3". Throws std::filesystem::filesystem_error when the file cannot be read.
std::vector<Test> makePaddingEdgeTests(const AnyHash& hash, std::string_view algorithm);

template <Hash D>
std::vector<Test> makeMD5PaddingEdgeTests() {
  return makePaddingEdgeTests(anyHash<D>(), "MD5");
}
template <Hash D>
std::vector<Test> makeSHA1PaddingEdgeTests() {
  return makePaddingEdgeTests(anyHash<D>(), "SHA1");
}
template <Hash D>
std::vector<Test> makeSHA224PaddingEdgeTests() {
  return makePaddingEdgeTests(anyHash<D>(), "SHA224");
}
template <Hash D>
std::vector<Test> makeSHA256PaddingEdgeTests() {
  return makePaddingEdgeTests(anyHash<D>(), "SHA256");
}
template <Hash D>
std::vector<Test> makeSHA384PaddingEdgeTests() {
  return makePaddingEdgeTests(anyHash<D>(), "SHA384");
}
template <Hash D>
std::vector<Test> makeSHA512PaddingEdgeTests() {
  return makePaddingEdgeTests(anyHash<D>(), "SHA512");
}
template <Hash D>
std::vector<Test> makeRIPEMD160PaddingEdgeTests() {
  return makePaddingEdgeTests(anyHash<D>(), "RIPEMD160");
}
template <Hash D>
std::vector<Test> makeSM3PaddingEdgeTests() {
  return makePaddingEdgeTests(anyHash<D>(), "SM3");
}

}  // namespace kavrit::test
