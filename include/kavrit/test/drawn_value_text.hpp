#pragma once

/// @file
/// The text of a drawn byte string in a failing property's report. A drawn input can be 4096
/// bytes, ten chunks of them for a lazy one; printed in full, three such inputs make a report of
/// tens of kilobytes. Long values are summarised instead, and can be written out in full.

#include <cstddef>
#include <string>

#include "kavrit/byte_string.hpp"

namespace kavrit::test {

/// Byte strings up to this length are shown in full.
inline constexpr std::size_t kDrawnBytesShownInFull = 64;
/// How many bytes of each end of a longer byte string are shown.
inline constexpr std::size_t kDrawnBytesEdge = 32;

/// When this environment variable names a directory, the full content of every summarised value
/// is written to a file there, named in the summary.
inline constexpr const char* kDumpDirVariable = "KAVRIT_TESTS_DUMP_DIR";

/// Up to 64 bytes: the quoted literal (quoteBytes). Longer: the length, the first and the last 32
/// bytes in hex and the SHA-256 of the whole, e.g.
///   [4093 bytes; first 32: 00..; last 32: ..ff; sha256: 3a..; full value in /dir/<sha256>.bin]
/// Writing the file never throws; a failure to write it is told in the text instead.
std::string describeDrawnBytes(const ByteString& bytes);

/// Up to 64 bytes in all: the quoted chunks (quoteLazyBytes). Longer: the chunk sizes, then the
/// flattened content as describeDrawnBytes shows it, e.g.
///   [3 chunks of 100, 2000, 1993 bytes] [4093 bytes; first 32: ...]
std::string describeDrawnLazyBytes(const LazyByteString& bytes);

}  // namespace kavrit::test
