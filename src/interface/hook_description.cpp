#include "hook_description.hpp"

#include <algorithm>

namespace kavrit::test::detail {

std::string ownAndKavrit(const std::string& ownText, const std::string& kavritText) {
  if (ownText.empty()) return "kavrit " + kavritText;
  if (kavritText.empty()) return "own " + ownText;
  return "own " + ownText + ", kavrit " + kavritText;
}

std::string describeHooks(const std::vector<std::string_view>& own,
                          std::span<const std::string_view> entries) {
  std::string ownText;
  std::string kavritText;
  for (const std::string_view entry : entries) {
    std::string& text =
        std::find(own.begin(), own.end(), entry) != own.end() ? ownText : kavritText;
    if (!text.empty()) text += '/';
    text += entry;
  }
  return ownAndKavrit(ownText, kavritText);
}

std::string describeHooks(const std::vector<std::string_view>& own,
                          std::initializer_list<std::string_view> entries) {
  return describeHooks(own, std::span<const std::string_view>(entries.begin(), entries.size()));
}

}  // namespace kavrit::test::detail
