#pragma once

/// @file
/// Long inputs through the constructions built on a block cipher: GCM, CCM, XTS, CMAC and CBC
/// with padding at 64 KiB + 1 bytes and, in a group of their own, at 1 MiB.

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Long Construction Tests": one unit case per construction defined for the key type's
/// block size, "GCMLongMessage", "CCMLongMessage", "XTSLongMessage" (128-bit blocks),
/// "CMACLongMessage" (64- and 128-bit blocks) and "CBCPadLongMessage", over a fixed key and a
/// message of 64 KiB + 1 bytes (GCM and CCM with AAD of a quarter of that, plus 3 bytes). Each
/// entry point (the type's own or kavrit's, as the free functions pick) must give the bytes of
/// kavrit's generic construction over the key's block functions; the lazy forms get the message
/// in uneven chunks (1, 15, 17, 1000, 4097, 3 and 255 bytes, over and over) and must give the
/// strict forms' bytes; decryption must give back the message, and refuse a flipped tag (CBCPad:
/// agree with the generic on a flipped last byte). Then the group "Slow" with the same cases at
/// 1 MiB, "GCM1MiB", ..., which a runner can leave out by its name. Key wrap is left out: KW
/// takes its input in 6·n rounds over the whole of it, and the hook oracles cover it at 64 KiB.
Test makeLongConstructionTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeLongConstructionTests() {
  return makeLongConstructionTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeLongConstructionTests(const K& /*key*/) {
  return makeLongConstructionTests<K>();
}

}  // namespace kavrit::test
