#include "kavrit/test/parse_nist_kats.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/test/paths.hpp"
#include "vectors/parsed_file.hpp"

namespace kavrit::test {

// Readable failure output for the parser's result types.
void PrintTo(const KatField& field, std::ostream* os) {
  *os << "(\"" << field.name << "\", \"" << field.value << "\")";
}

namespace {

using Fields = std::vector<KatField>;

// Body lines without any head line make a single category with no
// properties; this returns its records.
std::vector<KatRecord> recordsOf(std::string_view key, std::string_view text) {
  const auto categories = parseCategories(key, text);
  if (categories.size() != 1) {
    ADD_FAILURE() << "expected one category, got " << categories.size();
    return {};
  }
  return categories.front().records;
}

// Parses one body line as the record-start field of a record.
KatField bodyField(std::string_view line) {
  const auto categories = getCategories("K", {"K", std::string(line)});
  if (categories.size() != 1 || categories[0].records.size() != 1 ||
      categories[0].records[0].size() != 2) {
    ADD_FAILURE() << "unexpected shape for body line \"" << line << "\"";
    return {};
  }
  return categories[0].records[0][1];
}

KatField headField(std::string_view line) {
  const auto categories = getCategories("K", {std::string(line)});
  if (categories.size() != 1 || categories[0].properties.size() != 1) {
    ADD_FAILURE() << "unexpected shape for head line \"" << line << "\"";
    return {};
  }
  return categories[0].properties[0];
}

constexpr std::string_view kAesSample =
    "# CAVS 11.1\r\n"
    "# Config info for aes_values\r\n"
    "\r\n"
    "[ENCRYPT]\r\n"
    "\r\n"
    "COUNT = 0\r\n"
    "KEY = 00000000000000000000000000000000\r\n"
    "PLAINTEXT = f34481ec3cc627bacd5dc3fb08f273e6\r\n"
    "CIPHERTEXT = 0336763e966d92595a567cc9ce537f5e\r\n"
    "\r\n"
    "COUNT = 1\r\n"
    "KEY = 00000000000000000000000000000000\r\n"
    "PLAINTEXT = 9798c4640bad75c7c3227db910174e72\r\n"
    "CIPHERTEXT = a9a1631bf4996954ebc093957b234589\r\n"
    "\r\n"
    "[DECRYPT]\r\n"
    "\r\n"
    "COUNT = 0\r\n"
    "KEY = 00000000000000000000000000000000\r\n"
    "CIPHERTEXT = 0336763e966d92595a567cc9ce537f5e\r\n"
    "PLAINTEXT = f34481ec3cc627bacd5dc3fb08f273e6\r\n";

TEST(ParseCategories, ReadsAVectorFile) {
  const auto categories = parseCategories("COUNT", kAesSample);
  ASSERT_EQ(categories.size(), 2U);
  EXPECT_EQ(categories[0].properties, (Fields{{"ENCRYPT", ""}}));
  EXPECT_EQ(categories[1].properties, (Fields{{"DECRYPT", ""}}));
  ASSERT_EQ(categories[0].records.size(), 2U);
  ASSERT_EQ(categories[1].records.size(), 1U);
  EXPECT_EQ(categories[0].records[1],
            (KatRecord{{"COUNT", "1"},
                       {"KEY", "00000000000000000000000000000000"},
                       {"PLAINTEXT", "9798c4640bad75c7c3227db910174e72"},
                       {"CIPHERTEXT", "a9a1631bf4996954ebc093957b234589"}}));
  EXPECT_EQ(categories[1].records[0][2],
            (KatField{"CIPHERTEXT", "0336763e966d92595a567cc9ce537f5e"}));
}

TEST(ParseCategories, LineEndingsAndLineCleaning) {
  // CR LF and bare LF give the same result, the last line needs no newline,
  // and a CR in the middle of a line is dropped rather than splitting it.
  EXPECT_EQ(parseCategories("A", "A = 1\r\nB = 2\r\n"), parseCategories("A", "A = 1\nB = 2"));
  EXPECT_EQ(recordsOf("A", "A = 1\nB = 2\r3"), (std::vector<KatRecord>{{{"A", "1"}, {"B", "23"}}}));
  // Lines holding only white space (including a lone CR) vanish.
  EXPECT_EQ(recordsOf("A", "A = 1\n\r\n \t \n\r\nB = 2\n"),
            (std::vector<KatRecord>{{{"A", "1"}, {"B", "2"}}}));
  EXPECT_TRUE(parseCategories("A", "").empty());
  EXPECT_TRUE(parseCategories("A", "\n\r\n# only a comment\n").empty());
}

TEST(ParseCategories, CommentsOnlyInFirstColumn) {
  EXPECT_EQ(recordsOf("A", "A = 1\n# B = 2\n"), (std::vector<KatRecord>{{{"A", "1"}}}));
  EXPECT_EQ(recordsOf("A", "A = 1\n  # x y\n"),
            (std::vector<KatRecord>{{{"A", "1"}, {"#xy", ""}}}));
  // A comment line between two head lines does not split the category.
  const auto categories = parseCategories("A", "[X = 1]\n# note\n[Y = 2]\nA = 0\n");
  ASSERT_EQ(categories.size(), 1U);
  EXPECT_EQ(categories[0].properties, (Fields{{"X", "1"}, {"Y", "2"}}));
}

TEST(ParseCategories, HeadLinesMustStartInFirstColumn) {
  const auto categories = parseCategories("Len", "[X]\nLen = 0\n [L = 20]\nLen = 8\n");
  ASSERT_EQ(categories.size(), 1U);
  EXPECT_EQ(categories[0].records,
            (std::vector<KatRecord>{{{"Len", "0"}, {"[L", "20]"}}, {{"Len", "8"}}}));
}

TEST(ParseCategories, UnicodeWhiteSpace) {
  // U+00A0, U+3000, U+2028 and U+0085 count as white space in body lines, in
  // head lines and when deciding whether a line is blank.
  EXPECT_EQ(recordsOf("A",
                      "A\xC2\xA0=\xE3\x80\x80"
                      "1\n\xE2\x80\xA8\xC2\x85\n"),
            (std::vector<KatRecord>{{{"A", "1"}}}));
  EXPECT_EQ(headField("[\xE3\x80\x80PT Length\xC2\xA0=\xC2\xA0 128 bits\xE3\x80\x80]"),
            (KatField{"PT Length", "128 bits"}));
  // U+200B (zero width space) is not white space.
  EXPECT_EQ(bodyField("X = \xE2\x80\x8B"), (KatField{"X", "\xE2\x80\x8B"}));
}

TEST(ParseCategories, InvalidUtf8IsKeptByteForByte) {
  // A lone lead byte, a stray continuation byte, an overlong NBSP (C0 A0) and
  // an encoded surrogate are not characters, so they are neither white space
  // nor altered.
  EXPECT_EQ(bodyField("X = \xC2 \xA0 \xC0\xA0 \xED\xA0\x80 \xFF"),
            (KatField{"X", "\xC2\xA0\xC0\xA0\xED\xA0\x80\xFF"}));
  // Removing a CR must not merge the bytes around it into a white-space
  // character: C2 CR A0 stays C2 A0 in the value.
  EXPECT_EQ(recordsOf("A", "A = 1\nX = \xC2\r\xA0\n"),
            (std::vector<KatRecord>{{{"A", "1"}, {"X", "\xC2\xA0"}}}));
  // Same for brackets removed from a head line.
  EXPECT_EQ(headField("[X = 1\xC2]\xA0]"), (KatField{"X", "1\xC2\xA0"}));
  // NUL bytes are ordinary data.
  EXPECT_EQ(bodyField(std::string_view("N\0 = \0", 6)),
            (KatField{std::string("N\0", 2), std::string("\0", 1)}));
}

TEST(GetCategories, HeadLineFields) {
  EXPECT_EQ(headField("[L = 20]"), (KatField{"L", "20"}));
  EXPECT_EQ(headField("[L=20]"), (KatField{"L", "20"}));
  EXPECT_EQ(headField("[ENCRYPT]"), (KatField{"ENCRYPT", ""}));
  EXPECT_EQ(headField("[PT Length = 128 bits]"), (KatField{"PT Length", "128 bits"}));
  EXPECT_EQ(headField("[a]b[c = [d]=e]"), (KatField{"abc", "d=e"}));
  EXPECT_EQ(headField("["), (KatField{"", ""}));
}

TEST(GetCategories, BodyLineFields) {
  EXPECT_EQ(bodyField("KEY = 0a 1b 2c"), (KatField{"KEY", "0a1b2c"}));
  EXPECT_EQ(bodyField("Msg=ab=cd"), (KatField{"Msg", "ab=cd"}));
  EXPECT_EQ(bodyField("Result = P (x)"), (KatField{"Result", "P(x)"}));
  EXPECT_EQ(bodyField("No equals here"), (KatField{"Noequalshere", ""}));
  EXPECT_EQ(bodyField(" = value"), (KatField{"", "value"}));
  EXPECT_EQ(bodyField(""), (KatField{"", ""}));
}

TEST(GetCategories, CategoryBoundaries) {
  EXPECT_TRUE(getCategories("Len", {}).empty());

  const auto twoHeads = getCategories("Len", {"[L = 20]", "[Mode = x]", "Len = 0", "Msg = 00"});
  ASSERT_EQ(twoHeads.size(), 1U);
  EXPECT_EQ(twoHeads[0].properties, (Fields{{"L", "20"}, {"Mode", "x"}}));
  EXPECT_EQ(twoHeads[0].records, (std::vector<KatRecord>{{{"Len", "0"}, {"Msg", "00"}}}));

  const auto two = getCategories("Len", {"[L = 20]", "Len = 0", "[L = 28]", "Len = 0"});
  ASSERT_EQ(two.size(), 2U);
  EXPECT_EQ(two[1].properties, (Fields{{"L", "28"}}));
  EXPECT_EQ(two[1].records, (std::vector<KatRecord>{{{"Len", "0"}}}));

  // Body before any head line forms a leading category with no properties.
  const auto leading = getCategories("Len", {"Len = 1", "[L = 20]", "Len = 2"});
  ASSERT_EQ(leading.size(), 2U);
  EXPECT_TRUE(leading[0].properties.empty());
  EXPECT_EQ(leading[0].records, (std::vector<KatRecord>{{{"Len", "1"}}}));

  // A trailing head line with no body still makes a category, and blank or
  // comment lines handed to getCategories are ordinary body lines.
  const auto trailing = getCategories("Len", {"[A]", "", "# c", "[B]"});
  ASSERT_EQ(trailing.size(), 2U);
  EXPECT_TRUE(trailing[0].records.empty());
  EXPECT_EQ(trailing[1].properties, (Fields{{"B", ""}}));
}

TEST(GetCategories, RecordGrouping) {
  // Fields ahead of the first record start are dropped; a body without one
  // yields no records.
  const auto cats = getCategories(
      "COUNT", {"[X]", "KEY = 1", "COUNT = 0", "KEY = 2", "COUNT = 1", "[Y]", "KEY = 3"});
  ASSERT_EQ(cats.size(), 2U);
  EXPECT_EQ(cats[0].records,
            (std::vector<KatRecord>{{{"COUNT", "0"}, {"KEY", "2"}}, {{"COUNT", "1"}}}));
  EXPECT_TRUE(cats[1].records.empty());
  // The key is matched exactly and case-sensitively against the whole name.
  EXPECT_TRUE(getCategories("COUNT", {"Count = 0", "COUNTER = 0", "count=1"})[0].records.empty());
  EXPECT_EQ(getCategories("Count", {"Count = 0", "COUNT = 1"})[0].records.size(), 1U);
}

TEST(LookupField, FirstExactMatch) {
  const Fields fields{{"Len", "8"}, {"Msg", "ab"}, {"Len", "16"}};
  ASSERT_NE(lookupField(fields, "Len"), nullptr);
  EXPECT_EQ(*lookupField(fields, "Len"), "8");
  EXPECT_EQ(lookupField(fields, "len"), nullptr);
  EXPECT_EQ(lookupField(fields, "Le"), nullptr);
  EXPECT_EQ(lookupField({}, "Len"), nullptr);
}

TEST(ParseCategories, HugeLinesStayLinear) {
  // A couple of megabyte-sized lines; a quadratic pass would take minutes.
  std::string text = "COUNT = 0\nMsg = ";
  text.append(std::size_t{1} << 21, 'a');
  text += "\n[";
  text.append(std::size_t{1} << 20, ' ');
  text += "]\n";
  const auto categories = parseCategories("COUNT", text);
  ASSERT_EQ(categories.size(), 2U);
  EXPECT_EQ(categories[0].records[0][1].value.size(), std::size_t{1} << 21);
  EXPECT_EQ(categories[1].properties, (Fields{{"", ""}}));
}

// Structural promises that must hold whatever bytes come in.
void checkInvariants(std::string_view key, const std::vector<KatCategory>& categories) {
  for (std::size_t c = 0; c < categories.size(); ++c) {
    if (c > 0) {
      EXPECT_FALSE(categories[c].properties.empty());
    }
    for (const KatField& property : categories[c].properties) {
      EXPECT_EQ(property.name.find_first_of("[]="), std::string::npos);
      EXPECT_EQ(property.value.find_first_of("[]\r"), std::string::npos);
    }
    for (const KatRecord& record : categories[c].records) {
      ASSERT_FALSE(record.empty());
      EXPECT_EQ(record.front().name, key);
      for (const KatField& field : record) {
        EXPECT_EQ(field.name.find_first_of(" \t\r\n="), std::string::npos);
        // Only quoted text keeps spaces.
        EXPECT_EQ(field.value.find_first_of(field.value.starts_with('"') ? "\t\r\n" : " \t\r\n"),
                  std::string::npos);
      }
    }
  }
}

std::string mutate(std::string text, std::mt19937& rng) {
  static constexpr std::string_view kInserts[] = {"\n", "[",  "]",        "=",
                                                  "#",  "\r", "\xC2\xA0", "= \" "};
  const int steps = std::uniform_int_distribution<int>(1, 8)(rng);
  for (int s = 0; s < steps; ++s) {
    std::uniform_int_distribution<std::size_t> at(0, text.size());
    const std::size_t pos = at(rng);
    switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
      case 0:
        if (pos < text.size()) {
          text[pos] = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        }
        break;
      case 1:
        text.insert(
            pos,
            kInserts[std::uniform_int_distribution<std::size_t>(0, std::size(kInserts) - 1)(rng)]);
        break;
      case 2:
        text.resize(pos);
        break;
      default:
        if (pos < text.size()) text[pos] = static_cast<char>(text[pos] ^ 0x80);
        break;
    }
  }
  return text;
}

std::string crlf(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// The suites' own parse (views into the text) must give exactly what parseCategories gives:
// names, values and lines, category by category.
void expectSameParse(std::string_view key, std::string_view text,
                     const std::vector<KatCategory>& expected) {
  const detail::ParsedFile parsed("file", "file", std::string(text), key);
  const auto fieldsOf = [](const detail::FieldList& views) {
    Fields fields;
    for (const detail::FieldView view : views) {
      fields.push_back({std::string(view.name), std::string(view.value), view.line});
    }
    return fields;
  };
  const auto linesOf = [](const Fields& fields) {
    std::vector<int> lines;
    for (const KatField& field : fields) lines.push_back(field.line);
    return lines;
  };
  ASSERT_EQ(parsed.categoryCount(), expected.size());
  for (std::size_t c = 0; c < expected.size(); ++c) {
    const Fields heads = fieldsOf(parsed.heads(c));
    EXPECT_EQ(heads, expected[c].properties);
    EXPECT_EQ(linesOf(heads), linesOf(expected[c].properties));
    ASSERT_EQ(parsed.recordCount(c), expected[c].records.size());
    for (std::size_t r = 0; r < expected[c].records.size(); ++r) {
      const Fields record = fieldsOf(parsed.record(c, r));
      EXPECT_EQ(record, expected[c].records[r]);
      EXPECT_EQ(linesOf(record), linesOf(expected[c].records[r]));
    }
  }
}

TEST(ParsedFile, EqualsParseCategoriesOnEveryShippedFile) {
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(getDataFileName("Test"))) {
    if (!entry.is_regular_file() || entry.path().extension() == ".json") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().string());
    expectSameParse("COUNT", text, parseCategories("COUNT", text));
    ++files;
  }
  EXPECT_GT(files, 100u);
}

TEST(ParseCategories, FuzzedInputKeepsInvariants) {
  constexpr std::uint32_t kSeed = 20240611;
  std::cout << "parse_nist_kats fuzz seed: " << kSeed << '\n';
  std::mt19937 rng(kSeed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<std::size_t> length(0, 200);
  for (int iteration = 0; iteration < 2000; ++iteration) {
    std::string text;
    if (iteration % 2 == 0) {
      text.resize(length(rng));
      for (char& c : text) c = static_cast<char>(byte(rng));
    } else {
      text = mutate(std::string(kAesSample), rng);
    }
    SCOPED_TRACE(testing::Message() << "iteration " << iteration);
    const auto categories = parseCategories("COUNT", text);
    checkInvariants("COUNT", categories);
    // Adding a CR before every LF never changes the outcome.
    EXPECT_EQ(parseCategories("COUNT", crlf(text)), categories);
    expectSameParse("COUNT", text, categories);
    if (HasFailure()) break;
  }
}

// A value that starts with '"' keeps its spaces (BoringSSL's quoted text), but no other white
// space and no trailing spaces; the suites' parse gives the same.
TEST(ParseCategories, QuotedValuesKeepTheirSpaces) {
  const std::string_view text =
      "COUNT = 1\nIN= \"Ladies and  Gentlemen, '99: a=b\"  \r\nAD= \"\"\nCT = ab cd\n"
      "X = \"a\tb\" c\n";
  EXPECT_EQ(recordsOf("COUNT", text),
            (std::vector<KatRecord>{{{"COUNT", "1"},
                                     {"IN", "\"Ladies and  Gentlemen, '99: a=b\""},
                                     {"AD", "\"\""},
                                     {"CT", "abcd"},
                                     {"X", "\"ab\" c"}}}));
  expectSameParse("COUNT", text, parseCategories("COUNT", text));
}

// Every field knows the line it stands on, counting the comment and blank lines that are dropped;
// equality still looks at names and values only.
TEST(ParseCategories, FieldsKnowTheirLine) {
  const auto categories = parseCategories(
      "COUNT", "# comment\r\n[L = 20]\r\n\r\nCOUNT = 0\r\nKEY = 00\n   \nCOUNT = 1\n");
  ASSERT_EQ(categories.size(), 1u);
  EXPECT_EQ(categories[0].properties.at(0).line, 2);
  ASSERT_EQ(categories[0].records.size(), 2u);
  EXPECT_EQ(categories[0].records[0].at(0).line, 4);
  EXPECT_EQ(categories[0].records[0].at(1).line, 5);
  EXPECT_EQ(categories[0].records[1].at(0).line, 7);
  EXPECT_EQ(categories[0].records[1].at(0), (KatField{"COUNT", "1", 99}));
}

}  // namespace
}  // namespace kavrit::test
