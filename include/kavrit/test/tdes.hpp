#pragma once

/// @file
/// Known-answer tests of a Triple-DES key type against the NIST files in `Test/KAT_TDES`, followed
/// by the block-cipher laws.

#include <optional>
#include <string_view>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// One unit case per usable record of the files in `Test/KAT_TDES` whose names start with "TECB",
/// "TCBC", "TCFB64" or "TOFB" (not the interleaved "TCBCI" and "TOFBI", nor the 1-, 8-bit and
/// pipelined CFB files), encrypting or decrypting as the last character of the name's stem is 'e'
/// or 'd' ("TCBCMMT2e.rsp" encrypts with CBC), named "<file name>-<COUNT>", in listing order; then
/// the two groups of makeBlockCipherPropTests. A record holds its key as KEYs (one DES key, used
/// three times) or as KEY1, KEY2 and KEY3. The key handed to buildKey depends on the cipher's
/// keyLength(): 192 takes KEY1||KEY2||KEY3 (24 bytes, every record); 128 takes KEY1||KEY2 where
/// KEY3 equals KEY1 (two-key records: all but the three-key MMT3 files); 64 takes KEY1 where all
/// three are equal (single DES: the KEYs and MMT1 files). Records that give no key for the cipher's
/// length, and every record for a cipher whose blocks are not 64 bits, yield no test; so do records
/// whose key `buildKey` refuses or whose IV `IV::parse` refuses. ECB applies the key's own
/// encryptBlock/decryptBlock once to the whole input; CBC, CFB (64-bit feedback) and OFB go through
/// kavrit's mode functions (or the key type's own). Throws, naming file and line, when the
/// directory cannot be read or a key or IV is missing or not hex. A `buildKey` or `IV::parse` that
/// throws gives a test failing with its error.
std::vector<Test> makeTDESTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeTDESTests() {
  return makeTDESTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeTDESTests(const K& /*key*/) {
  return makeTDESTests<K>();
}

}  // namespace kavrit::test
