#pragma once

/// @file
/// The whole cipher-and-hash interface that implementations are adapted to.

#include "kavrit/block_cipher.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/cbc_pad.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/cmac.hpp"
#include "kavrit/gcm.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/kdf.hpp"
#include "kavrit/key_wrap.hpp"
#include "kavrit/padding.hpp"
#include "kavrit/xts.hpp"
