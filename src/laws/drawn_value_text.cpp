#include "kavrit/test/drawn_value_text.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "kavrit/hash.hpp"
#include "kavrit/test/assert.hpp"
#include "vectors/manifest_sha256.hpp"

namespace kavrit::test {
namespace {

// Writes `bytes` to <dir>/kavrit-drawn-<sha256>.bin: named by its content, so the same value
// drawn again lands in the same file. Returns the report's note on it.
std::string dumpToFile(const char* dir, const ByteString& bytes, const std::string& sha256) {
  const std::filesystem::path path =
      std::filesystem::path(dir) / ("kavrit-drawn-" + sha256 + ".bin");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return "could not write the full value to " + path.string();
  return "full value in " + path.string();
}

}  // namespace

std::string describeDrawnBytes(const ByteString& bytes) {
  if (bytes.size() <= kDrawnBytesShownInFull) return quoteBytes(bytes);
  const auto edge = static_cast<std::ptrdiff_t>(kDrawnBytesEdge);
  const std::string sha256 =
      detail::sha256Hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  std::string out = "[" + std::to_string(bytes.size()) + " bytes; first " +
                    std::to_string(kDrawnBytesEdge) + ": " +
                    toHex(ByteString(bytes.begin(), bytes.begin() + edge)) + "; last " +
                    std::to_string(kDrawnBytesEdge) + ": " +
                    toHex(ByteString(bytes.end() - edge, bytes.end())) + "; sha256: " + sha256;
  const char* dir = std::getenv(kDumpDirVariable);
  if (dir != nullptr && *dir != '\0') out += "; " + dumpToFile(dir, bytes, sha256);
  return out + "]";
}

std::string describeDrawnLazyBytes(const LazyByteString& bytes) {
  if (bytes.size() <= kDrawnBytesShownInFull) return quoteLazyBytes(bytes);
  const std::vector<ByteString>& chunks = bytes.chunks();
  std::string out =
      "[" + std::to_string(chunks.size()) + (chunks.size() == 1 ? " chunk" : " chunks") + " of ";
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(chunks[i].size());
  }
  return out + " bytes] " + describeDrawnBytes(bytes.flatten());
}

}  // namespace kavrit::test
