#include "kavrit/test/any_block_cipher.hpp"

#include <algorithm>
#include <stdexcept>

namespace kavrit::test {

std::string_view chainedModeName(ChainedMode mode) {
  switch (mode) {
    case ChainedMode::CBC:
      return "cbc";
    case ChainedMode::UnCBC:
      return "unCbc";
    case ChainedMode::CFB:
      return "cfb";
    case ChainedMode::UnCFB:
      return "unCfb";
    case ChainedMode::OFB:
      return "ofb";
    case ChainedMode::UnOFB:
      return "unOfb";
    case ChainedMode::CTR:
      return "ctr";
    case ChainedMode::UnCTR:
      return "unCtr";
  }
  throw std::logic_error("unknown chained mode");
}

std::size_t AnyBlockCipher::blockBytes() const {
  const long bits = blockSize();
  if (bits < 8) {
    throw std::invalid_argument("block size of " + std::to_string(bits) +
                                " bits is less than one byte; modes and padding need whole bytes");
  }
  return static_cast<std::size_t>(bits / 8);
}

std::string describeModeImplementations(const AnyBlockCipher& cipher) {
  const std::vector<std::string_view> own = cipher.ownHooks();
  const auto brings = [&own](std::string_view hook) {
    return std::find(own.begin(), own.end(), hook) != own.end();
  };
  // A mode is listed as the key type's own with the entry points it brings; the rest of that
  // mode's entry points are still kavrit's, and the text says so.
  std::string ownText;
  std::string kavritText;
  const auto add = [](std::string& text, std::string_view item) {
    if (!text.empty()) text += '/';
    text += item;
  };
  for (const std::string_view mode : {"ecb", "cbc", "cfb", "ofb", "ctr"}) {
    std::string inverse = "un" + std::string(mode);
    inverse[2] = static_cast<char>(inverse[2] - 'a' + 'A');
    const std::string entries[] = {std::string(mode), std::string(mode) + "Lazy", inverse,
                                   inverse + "Lazy"};
    std::string brought;
    std::size_t count = 0;
    for (const std::string& entry : entries) {
      if (brings(entry)) {
        add(brought, entry);
        ++count;
      }
    }
    if (count == 0) {
      add(kavritText, mode);
    } else {
      add(ownText, count == 4 ? std::string(mode) : brought);
      if (count < 4) add(kavritText, std::string(mode) + " (rest)");
    }
  }
  if (ownText.empty()) return "kavrit " + kavritText;
  if (kavritText.empty()) return "own " + ownText;
  return "own " + ownText + ", kavrit " + kavritText;
}

}  // namespace kavrit::test
