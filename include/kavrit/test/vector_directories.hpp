#pragma once

/// @file
/// The vector directories of the installed data, with the rules that read them. The suites, the
/// manifest check and the demo take them from here, and a test holds tools/import_vectors.py to
/// the same table.

#include <span>
#include <string_view>

namespace kavrit::test {

/// One directory under the data directory.
struct VectorDirectory {
  /// Its data-file name, as getDataFileName takes it ("Test/KAT_AES").
  std::string_view name;
  /// The field that starts a record when the suites parse its files.
  std::string_view recordKey;
  /// The field whose lines the manifest counts as the file's records. It differs from
  /// `recordKey` where one parsed record holds several vectors: a Monte Carlo record starts at its
  /// Seed and holds every COUNT/MD checkpoint after it.
  std::string_view countedField;
};

/// Every vector directory the library's suites read, in a fixed order.
std::span<const VectorDirectory> vectorDirectories();

/// The entry of `name`; throws std::out_of_range naming it when there is none.
const VectorDirectory& vectorDirectory(std::string_view name);

}  // namespace kavrit::test
