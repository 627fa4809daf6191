#pragma once

/// @file
/// Every public builder of the library in one include: the known-answer suites, the per-algorithm
/// builders, the laws, the test trees and the run-time interface of key and digest types. None of
/// it includes RapidCheck or GoogleTest (see kavrit/rapidcheck/ and kavrit/gtest/).

#include "kavrit/kavrit.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/cmac.hpp"
#include "kavrit/test/differential.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/key_wrap.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha3.hpp"
#include "kavrit/test/sha3_monte.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/twofish.hpp"
#include "kavrit/test/user_vectors.hpp"
#include "kavrit/test/vector_directories.hpp"
// HMAC from the RFCs, HKDF and PBKDF2.
#include "kavrit/test/hkdf.hpp"
#include "kavrit/test/pbkdf2.hpp"
#include "kavrit/test/rfc_hmac.hpp"

// BLAKE2b-512, BLAKE2s-256, RIPEMD-160 and SM3 known answers.
#include "kavrit/test/blake2_ripemd_sm3.hpp"

// Triple-DES and Camellia known answers.
#include "kavrit/test/camellia.hpp"
#include "kavrit/test/tdes.hpp"

// XTS.
#include "kavrit/test/xts.hpp"

// Wycheproof's vectors: what the constructions must refuse.
#include "kavrit/test/wycheproof.hpp"

// Stream ciphers, MACs and AEADs: ChaCha20, Poly1305, ChaCha20-Poly1305 and RC4 known answers,
// and Wycheproof's AEAD files.
#include "kavrit/test/chacha20.hpp"
#include "kavrit/test/rc4.hpp"
#include "kavrit/test/wycheproof_aead.hpp"

// What GCM, CCM, KW and KWP must refuse: short, cut and flipped tags, changed integrity values,
// KWP lengths and padding.
#include "kavrit/test/refusal_laws.hpp"

// Own construction and key-derivation members against kavrit's generic ones, and long inputs
// through the constructions.
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/long_constructions.hpp"

// The laws of AEADs, stream ciphers and MACs.
#include "kavrit/test/aead_props.hpp"
#include "kavrit/test/mac_props.hpp"
#include "kavrit/test/stream_cipher_props.hpp"

// Everything for one AEAD, stream cipher or MAC in one call.
#include "kavrit/test/primitive_suites.hpp"

// SM4, SEED and IDEA known answers.
#include "kavrit/test/sm4_seed_idea.hpp"
// Extendable-output functions: the SHAKE128 and SHAKE256 known answers and the XOF laws.
#include "kavrit/test/shake.hpp"
#include "kavrit/test/xof_props.hpp"
