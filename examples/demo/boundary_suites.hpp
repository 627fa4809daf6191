#pragma once

// The block-edge, continuation and differential builders in the demo.

#include <vector>

#include "summary.hpp"

namespace kavrit::demo {

/// Appends the boundary, continuation and differential suites against OpenSSL and Nettle.
void addBoundarySuites(std::vector<SuiteRun>& runs);

}  // namespace kavrit::demo
