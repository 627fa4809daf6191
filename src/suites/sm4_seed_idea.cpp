#include "kavrit/test/sm4_seed_idea.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/user_vectors.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "vectors/known_answer.hpp"

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
  if (cipher.blockSize() == blockBits) {
    // The files carry their direction in their head lines, so only the mode is read from a name;
    // sorted, so the order does not depend on the file system.
    std::vector<std::pair<std::string, BlockMode>> files;
    detail::forEachListedFile(getDataFileName(std::string(vectorDirectory(directory).name)), {},
                              [&files](const std::string& path, const std::string& name) {
                                if (const std::optional<BlockMode> mode = modeOf(name))
                                  files.emplace_back(path, *mode);
                              });
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      for (Test& test : makeBlockCipherKATTests(cipher, file.first, file.second))
        tests.push_back(std::move(test));
    }
  }
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
