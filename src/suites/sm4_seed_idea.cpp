#include "kavrit/test/sm4_seed_idea.hpp"

#include <optional>
#include <string_view>
#include <utility>

#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/user_vectors.hpp"
#include "suites/block_cipher_files.hpp"

namespace kavrit::test {
namespace {

// The mode in the first three characters of a name, the direction in the last one of its stem;
// anything else in the directory is not ours to read.
std::optional<BlockMode> modeOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  const std::string_view stem = name.substr(0, dot);
  if (stem.size() < 4 || (stem.back() != 'e' && stem.back() != 'd')) return std::nullopt;
  const std::string_view prefix = stem.substr(0, 3);
  if (prefix == "ECB") return BlockMode::ECB;
  if (prefix == "CBC") return BlockMode::CBC;
  if (prefix == "CFB") return BlockMode::CFB;
  if (prefix == "OFB") return BlockMode::OFB;
  if (prefix == "CTR") return BlockMode::CTR;
  return std::nullopt;
}

std::vector<Test> directoryTests(const AnyBlockCipher& cipher, std::string_view directory,
                                 long blockBits) {
  std::vector<Test> tests;
  if (cipher.blockSize() == blockBits)
    tests = detail::blockCipherDirectoryTests(cipher, directory, modeOf, false);
  for (Test& law : makeBlockCipherPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace

std::vector<Test> makeSM4Tests(const AnyBlockCipher& cipher) {
  return directoryTests(cipher, "Test/KAT_SM4", 128);
}

std::vector<Test> makeSEEDTests(const AnyBlockCipher& cipher) {
  return directoryTests(cipher, "Test/KAT_SEED", 128);
}

std::vector<Test> makeIDEATests(const AnyBlockCipher& cipher) {
  return directoryTests(cipher, "Test/KAT_IDEA", 64);
}

}  // namespace kavrit::test
