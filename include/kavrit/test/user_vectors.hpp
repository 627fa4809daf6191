#pragma once

/// @file
/// Known answers from vector files of the user's own, for any cipher or hash: Camellia, SM4,
/// Serpent or a cipher of one's own, in the NIST text layout.
///
/// `path` names one file or a directory, whose regular files are all read, in name order. Every
/// record becomes a test or, when it is malformed (a field missing or not hex, no direction),
/// a test that fails naming the record's file and line: nothing in the files is passed over,
/// except what the builders below say they leave out.

#include <string>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The mode a file of block-cipher vectors holds. CFB and OFB feed back whole blocks.
enum class BlockMode { ECB, CBC, CFB, OFB, CTR };

/// One test per record of fields KEY, IV (not for ECB), PLAINTEXT and CIPHERTEXT, named
/// "<file name>-ENCRYPT-<COUNT>" or "...-DECRYPT-..." (the record's line stands in for a missing
/// COUNT). The direction is the `[ENCRYPT]` or `[DECRYPT]` head line above the record; a file with
/// records under neither fails as a whole. A record whose KEY is not `keyLength()` bits long is for
/// another key size and gives no test; a KEY of the right length that buildKey refuses fails.
/// ECB goes through ecb/unEcb, CBC, CFB and OFB through the strict mode, CTR through ctr and, in
/// 37-byte chunks, ctrLazy (a message that ends inside a block is padded and compared over its own
/// length; so is a CFB or OFB message, through the mode and its Lazy form). Throws
/// std::filesystem::filesystem_error when `path` cannot be read.
std::vector<Test> makeBlockCipherKATTests(const AnyBlockCipher& cipher, const std::string& path,
                                          BlockMode mode);

template <BlockCipher K>
std::vector<Test> makeBlockCipherKATTests(const std::string& path, BlockMode mode) {
  return makeBlockCipherKATTests(anyBlockCipher<K>(), path, mode);
}

/// One test per record of fields Len (in bits), Msg and MD, named "<file name>-<n>" with n
/// counting the file's records from 1: hashStrict of the first Len/8 bytes of Msg, and hash of
/// them in 37-byte chunks, both serialise to MD. A record whose Len is no multiple of 8 is for a
/// bit-oriented hash and gives no test. Throws std::filesystem::filesystem_error when `path` cannot
/// be read.
std::vector<Test> makeHashKATTests(const AnyHash& hash, const std::string& path);

template <Hash D>
std::vector<Test> makeHashKATTests(const std::string& path) {
  return makeHashKATTests(anyHash<D>(), path);
}

}  // namespace kavrit::test
