#pragma once

// The block-edge, continuation and differential builders in the demo.

#include "build_checks.hpp"

namespace kavrit::demo {

/// Appends the boundary, continuation and differential suites against OpenSSL and Nettle.
void addBoundarySuites(SuiteBuilds& builds);

}  // namespace kavrit::demo
