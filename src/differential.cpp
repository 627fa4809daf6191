#include "kavrit/test/differential.hpp"

namespace kavrit::test::detail {

void requireSameBytes(const std::string& what, const ByteString& first, const ByteString& second) {
  if (first == second) return;
  RC_FAIL(mismatchReport(what + ": the two implementations differ", toHex(first), toHex(second),
                         describeDifference(first, second), ValueLabels{"first", "second"}));
}

void requireSameLength(const std::string& what, long first, long second) {
  assertEqual(what + ": the two implementations differ", first, second,
              ValueLabels{"first", "second"});
}

RandomLazyBytes drawWholeBlocks(std::size_t blockBytes) {
  // Wrapped before they are picked, so that a failure report prints them as quoted chunks.
  const auto wrap = [](LazyByteString bytes) { return RandomLazyBytes{std::move(bytes)}; };
  const bool atEdges = *rc::gen::arbitrary<bool>();
  const LazyByteString drawn =
      (atEdges ? *rc::gen::map(arbitraryBoundaryLazyByteString(blockBytes), wrap)
               : *rc::gen::arbitrary<RandomLazyBytes>())
          .value;
  return RandomLazyBytes{takeLazy(drawn, drawn.size() - drawn.size() % blockBytes)};
}

}  // namespace kavrit::test::detail
