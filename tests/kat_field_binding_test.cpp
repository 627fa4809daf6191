// A KatField decomposes into its name and value with a structured binding, as it did before it
// carried its line; the line stays a member.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "kavrit/test/parse_nist_kats.hpp"

namespace {

using kavrit::test::KatField;

static_assert(std::tuple_size_v<KatField> == 2);
static_assert(std::tuple_size_v<const KatField> == 2);
static_assert(std::is_same_v<std::tuple_element_t<0, KatField>, std::string>);
static_assert(std::is_same_v<std::tuple_element_t<1, const KatField>, const std::string>);

TEST(KatFieldBinding, CopyGivesNameAndValue) {
  const KatField field{"KEY", "0a1b", 7};
  auto [name, value] = field;
  static_assert(std::is_same_v<decltype(name), std::string>);
  EXPECT_EQ(name, "KEY");
  EXPECT_EQ(value, "0a1b");
  name = "IV";  // a copy: the field keeps its own
  EXPECT_EQ(field.name, "KEY");
  EXPECT_EQ(field.line, 7);
}

TEST(KatFieldBinding, ConstReferenceAliasesTheField) {
  KatField field{"KEY", "0a1b", 3};
  const auto& [name, value] = field;
  static_assert(std::is_same_v<decltype(name), const std::string>);
  EXPECT_EQ(&name, &field.name);
  EXPECT_EQ(&value, &field.value);
  field.value = "ff";
  EXPECT_EQ(value, "ff");
}

TEST(KatFieldBinding, ReferenceModifiesTheField) {
  KatField field{"COUNT", "0", 12};
  auto& [name, value] = field;
  static_assert(std::is_same_v<decltype(value), std::string>);
  value = "1";
  name += "S";
  EXPECT_EQ(field.name, "COUNTS");
  EXPECT_EQ(field.value, "1");
  EXPECT_EQ(field.line, 12);
}

TEST(KatFieldBinding, ForwardingReferenceToATemporaryMovesOut) {
  auto&& [name, value] = KatField{"PT", std::string(64, 'a'), 1};
  static_assert(std::is_same_v<decltype(value), std::string>);
  EXPECT_EQ(name, "PT");
  EXPECT_EQ(value.size(), 64U);
}

TEST(KatFieldBinding, RecordsIterateAsPairs) {
  const kavrit::test::KatRecord record{{"COUNT", "0", 1}, {"KEY", "00", 2}};
  std::string joined;
  for (const auto& [name, value] : record) joined += name + "=" + value + ";";
  EXPECT_EQ(joined, "COUNT=0;KEY=00;");
  EXPECT_EQ(get<0>(record[1]), "KEY");
  EXPECT_EQ(get<1>(record[1]), "00");
}

}  // namespace
