#include "kavrit/test/camellia.hpp"

#include <optional>
#include <string_view>
#include <utility>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/user_vectors.hpp"
#include "suites/block_cipher_files.hpp"
#include "suites/file_rules.hpp"

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
    tests = detail::blockCipherDirectoryTests(
        cipher, "Test/KAT_CAMELLIA_NIST",
        [](std::string_view name) -> std::optional<BlockMode> {
          if (const std::optional<AESMode> mode = aesModeOf(name)) return blockModeOf(*mode);
          return std::nullopt;
        },
        false);
  }
  for (Test& law : makeBlockCipherPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
