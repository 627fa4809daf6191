#pragma once

/// @file
/// The provenance manifest of the vector files (`MANIFEST` at the top of the data directory), and
/// checking a data directory against it, so that a truncated or altered install does not
/// silently shrink the suites.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrit::test {

/// One line of the manifest: tab-separated path, source publication, original file name, record
/// count, size in bytes and SHA-256 (64 lower-case hex digits).
struct ManifestEntry {
  /// Relative to the data directory, '/'-separated, such as "Test/KAT_AES/ECBGFSbox128e.rsp".
  std::string path;
  std::string source;
  std::string original;
  std::size_t records = 0;
  std::uintmax_t bytes = 0;
  std::string sha256;
  /// Line number in the manifest, from 1.
  std::size_t line = 0;
};

/// Reads the manifest text. Lines starting with '#' and empty lines are skipped. Throws
/// std::invalid_argument, starting "<origin>:<line>: ", for a line without six fields, a count or
/// size that is not a decimal number, a SHA-256 that is not 64 lower-case hex digits, a path that
/// is absolute, empty, holds an empty, "." or ".." component or is listed twice.
std::vector<ManifestEntry> parseManifest(std::string_view text, const std::string& origin);

/// What is wrong with the data directory.
enum class DataProblemKind {
  /// MANIFEST cannot be read or parsed; nothing else is checked.
  BadManifest,
  /// A directory the manifest lists files in is not there, or holds none of them.
  MissingDirectory,
  MissingFile,
  Unreadable,
  /// The contents differ from the manifest; the kind is the most telling difference.
  RecordCountDiffers,
  SizeDiffers,
  ContentDiffers,
  /// A file in a listed directory that the manifest does not list.
  ExtraFile,
};

/// One problem: its kind, the full path of the file or directory, and what differs.
struct DataProblem {
  DataProblemKind kind;
  std::string path;
  std::string detail;

  bool operator==(const DataProblem&) const = default;
};

/// "<path>: <what is wrong>", one line.
std::string describe(const DataProblem& problem);

/// Checks `dataDir` against `dataDir`/MANIFEST: every listed file is there with the listed size
/// and SHA-256 (a differing file also has its records counted), and the listed directories hold
/// no other files (subdirectories are not looked into). Problems with files come in manifest
/// order, then missing directories and extra files. Never throws but std::bad_alloc.
std::vector<DataProblem> verifyDataDirectory(const std::string& dataDir);

/// The same for getDataDir().
std::vector<DataProblem> verifyDataDirectory();

}  // namespace kavrit::test
