#pragma once

// Camellia-128, Camellia-192 and Camellia-256 key types over Nettle's generic cipher tables,
// adapted to kavrit::BlockCipher: a second implementation beside examples/openssl's Camellia.
// Only the raw block operations are adapted; kavrit supplies the modes on top of them.

#include <nettle/nettle-meta.h>

#include "nettle/nettle_reference.hpp"

namespace kavrit::examples {

using NettleCamellia128 = NettleBlockCipher<&nettle_camellia128, 128>;
using NettleCamellia192 = NettleBlockCipher<&nettle_camellia192, 192>;
using NettleCamellia256 = NettleBlockCipher<&nettle_camellia256, 256>;

}  // namespace kavrit::examples
