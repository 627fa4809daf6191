#pragma once

/// @file
/// Reading a directory of known-answer vector files, shared by the file-driven suites.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/test/parse_nist_kats.hpp"

namespace kavrit::test {

/// One vector file, read and parsed.
struct VectorFile {
  /// Directory and entry name joined with '/'.
  std::string path;
  /// The entry name (last path component, with its extension).
  std::string name;
  /// The file's categories, parsed under the suite's record-start key.
  std::vector<KatCategory> categories;
};

/// Lists `directory` in the file system's order (unsorted) and keeps the entries that exist and
/// are not directories: symbolic links are followed, and an entry whose status cannot be read (a
/// dangling link) is dropped. When `select` is given, only entries whose name it accepts are kept.
/// Every kept file is read whole and parsed with `parseCategories(recordKey, text)`.
/// Throws std::filesystem::filesystem_error (naming the path) when the directory cannot be listed,
/// or a kept entry is not a regular file (a FIFO, socket or device) or cannot be read.
std::vector<VectorFile> readVectorFiles(const std::string& directory, std::string_view recordKey,
                                        const std::function<bool(std::string_view)>& select = {});

/// The same one file at a time: each kept file is read, parsed and handed to `visit` before the
/// next one is opened, so that only one parsed file is held at a time.
void forEachVectorFile(const std::string& directory, std::string_view recordKey,
                       const std::function<bool(std::string_view)>& select,
                       const std::function<void(VectorFile&)>& visit);

/// The chunk size in which the known-answer suites hand a vector's message to the lazy entry
/// points (hash, hmac, ctrLazy): a prime, so that chunk edges fall at every offset of a block.
inline constexpr std::size_t kVectorChunkSize = 37;

/// `message` as consecutive chunks of `chunkSize` bytes, the last one shorter; no chunk at all for
/// the empty message.
LazyByteString chunked(const ByteString& message, std::size_t chunkSize);

/// Reads a whole decimal integer with an optional sign (the vectors' "Len" and "Tlen"). Throws
/// std::invalid_argument naming `field` and the text when it is not one, or when it does not fit.
long long readInteger(std::string_view field, std::string_view text);

/// The first `n` bytes of `bytes`; empty for n <= 0, all of it when n is at least its length.
ByteString takeBytes(const ByteString& bytes, long long n);

}  // namespace kavrit::test
