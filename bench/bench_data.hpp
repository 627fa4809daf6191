#pragma once

// Vector data for the benchmarks: the file-driven suites' directories, copies of them scaled up,
// and the suites themselves built against the example implementations.

#include <cstddef>
#include <string>
#include <vector>

#include "kavrit/test/test_tree.hpp"

namespace kavrit::bench {

/// The four vector directories, relative to the data directory.
inline const std::vector<std::string> kFamilies = {"Test/KAT_AES", "Test/KAT_SHA", "Test/KAT_HMAC",
                                                   "Test/KAT_TWOFISH"};

/// A temporary data directory holding `copies` copies of every vector file, each under a name
/// that every suite still reads as a file of the same algorithm and mode. Removed on destruction.
class ScaledData {
 public:
  explicit ScaledData(int copies);
  ~ScaledData();
  ScaledData(const ScaledData&) = delete;
  ScaledData& operator=(const ScaledData&) = delete;
  [[nodiscard]] const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

/// Points the library's data directory at `dir` for the lifetime of the object.
class DataDirOverride {
 public:
  explicit DataDirOverride(const std::string& dir);
  ~DataDirOverride();
  DataDirOverride(const DataDirOverride&) = delete;
  DataDirOverride& operator=(const DataDirOverride&) = delete;

 private:
  std::string previous_;
  bool hadPrevious_ = false;
};

/// Reads every file each file-driven builder reads, once per builder call, and nothing more:
/// the baseline of suite building. Returns the bytes read.
std::size_t readLikeTheBuilders();

/// Calls every file-driven builder once (AES, SHA-1..512, HMAC over SHA-1..512, Twofish).
std::vector<test::Test> buildFileDrivenSuites();

/// Total size in bytes of the vector files under the current data directory.
std::size_t vectorBytes();

}  // namespace kavrit::bench
