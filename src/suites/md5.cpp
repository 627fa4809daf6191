#include "kavrit/test/md5.hpp"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/hex.hpp"

namespace kavrit::test::detail::md5 {
namespace {

ByteString bytesOf(std::string_view text) { return ByteString(text.begin(), text.end()); }

// A short message is one chunk (none when empty); a longer one is cut after 32 bytes.
std::vector<ByteString> chunksOf(std::string_view text) {
  constexpr std::size_t kFirstChunk = 32;
  if (text.empty()) return {};
  if (text.size() <= kFirstChunk) return {bytesOf(text)};
  return {bytesOf(text.substr(0, kFirstChunk)), bytesOf(text.substr(kFirstChunk))};
}

Row row(std::string_view message, std::string digestHex) {
  return Row{chunksOf(message), std::move(digestHex)};
}

}  // namespace

const std::vector<Row>& rows() {
  static const std::string eightTimes = [] {
    std::string text;
    for (int i = 0; i < 8; ++i) text += "1234567890";
    return text;
  }();
  static const std::vector<Row> all{
      row("", "d41d8cd98f00b204e9800998ecf8427e"),
      row("a", "0cc175b9c0f1b6a831c399e269772661"),
      row("abc", "900150983cd24fb0d6963f7d28e17f72"),
      row("message digest", "f96b697d7cb7938d525a2f31aaf161d0"),
      row("abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"),
      row("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
          "d174ab98d277d9f5a5611c2c9f419d9f"),
      row(eightTimes, "57edf4a22be3c955ac49da2e2107b67a"),
  };
  return all;
}

std::string parseRejectedMessage(std::size_t index) {
  return "md5KAT" + std::to_string(index) +
         ": the vector's digest could not be read back by parse (it refused the 16 bytes of the "
         "RFC 1321 digest)\nTest/MD5:38:3-25|function fromRight";
}

}  // namespace kavrit::test::detail::md5

namespace kavrit::test {

std::vector<Test> makeMD5Tests(const AnyHash& hash) {
  std::vector<Test> cases;
  const std::vector<detail::md5::Row>& rows = detail::md5::rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    cases.push_back(testCase("md5KAT", [&hash, index = i + 1, row = rows[i]] {
      const Digest computed = hash.hash(LazyByteString(row.chunks));
      const std::optional<Digest> stored = hash.parse(hexStringToBS(row.digestHex));
      if (!stored) throw std::runtime_error(detail::md5::parseRejectedMessage(index));
      if (computed == *stored) return;
      std::string chunks;
      for (const ByteString& chunk : row.chunks) {
        chunks += (chunks.empty() ? "" : ", ") + std::to_string(chunk.size());
      }
      assertEqual("md5KAT" + std::to_string(index) + ": hash of the RFC 1321 message " +
                      quoteLazyBytes(LazyByteString(row.chunks)) + " (" +
                      std::to_string(LazyByteString(row.chunks).size()) + " bytes; " +
                      (chunks.empty() ? "no chunk" : "chunks of " + chunks) +
                      ") against the digest " + row.digestHex,
                  computed, *stored, ValueLabels{"computed", "vector"});
    }));
  }
  std::vector<Test> trees;
  trees.push_back(makeHashPropTests(hash));
  trees.push_back(testGroup("MD5 KATs", std::move(cases)));
  return trees;
}

}  // namespace kavrit::test
