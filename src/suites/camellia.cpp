#include "kavrit/test/camellia.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/user_vectors.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "suites/file_rules.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

BlockMode blockModeOf(AESMode mode) {
  switch (mode) {
    case AESMode::ECBEncrypt:
    case AESMode::ECBDecrypt:
      return BlockMode::ECB;
    case AESMode::CBCEncrypt:
    case AESMode::CBCDecrypt:
      return BlockMode::CBC;
    case AESMode::CFBEncrypt:
    case AESMode::CFBDecrypt:
      return BlockMode::CFB;
    case AESMode::OFBEncrypt:
    case AESMode::OFBDecrypt:
      break;
  }
  return BlockMode::OFB;
}

}  // namespace

std::vector<Test> makeCamelliaTests(const AnyBlockCipher& cipher) {
  std::vector<Test> tests;
  if (cipher.blockSize() == 128) {
    // The files carry their direction in their head lines, so only the mode is read from a name;
    // sorted, so the order does not depend on the file system.
    std::vector<std::pair<std::string, BlockMode>> files;
    detail::forEachListedFile(
        getDataFileName(std::string(vectorDirectory("Test/KAT_CAMELLIA_NIST").name)), {},
        [&files](const std::string& path, const std::string& name) {
          if (const std::optional<AESMode> mode = aesModeOf(name))
            files.emplace_back(path, blockModeOf(*mode));
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

}  // namespace kavrit::test
