#pragma once

// The Wycheproof builders in the demo.

#include "build_checks.hpp"

namespace kavrit::demo {

/// Appends one row per Wycheproof builder: the block-cipher ones over OpenSSL's AES (128 and 256),
/// Camellia, SEED and SM4, the hash ones over OpenSSL's digests and KDFs, and a file read through
/// makeWycheproofTests as a user's own would be.
void addWycheproofSuites(SuiteBuilds& builds);

}  // namespace kavrit::demo
