#pragma once

// How the run-time models say whose implementation of each entry point a suite tests:
// "kavrit a/b", "own a/b" or "own a, kavrit b".

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavrit::test::detail {

/// "own <ownText>, kavrit <kavritText>", leaving out an empty side.
std::string ownAndKavrit(const std::string& ownText, const std::string& kavritText);

/// Of `entries`, those in `own` are the type's own and the others kavrit's.
std::string describeHooks(const std::vector<std::string_view>& own,
                          std::span<const std::string_view> entries);
std::string describeHooks(const std::vector<std::string_view>& own,
                          std::initializer_list<std::string_view> entries);

}  // namespace kavrit::test::detail
