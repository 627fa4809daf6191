#pragma once

/// @file
/// The whole interface (block ciphers, hashes, AEADs, stream ciphers, MACs, XOFs) that
/// implementations are adapted to.

#include "kavrit/aead.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/block_cipher_aead.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/cbc_pad.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/cmac.hpp"
#include "kavrit/gcm.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/kdf.hpp"
#include "kavrit/key_wrap.hpp"
#include "kavrit/mac.hpp"
#include "kavrit/padding.hpp"
#include "kavrit/stream_cipher.hpp"
#include "kavrit/xof.hpp"
#include "kavrit/xts.hpp"
