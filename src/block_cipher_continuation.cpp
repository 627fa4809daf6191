#include "kavrit/test/block_cipher_continuation.hpp"

namespace kavrit::test::detail {

std::string splitText(const std::string& operation, std::size_t block) {
  return operation + " split after block " + std::to_string(block) + " of " +
         std::to_string(kContinuationBlocks);
}

}  // namespace kavrit::test::detail
