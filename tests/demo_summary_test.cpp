// The demo's summary table fits 120 columns with the longest names the demo has, and longer ones,
// and keeps every figure and every character of every name.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "demo/summary.hpp"
#include "kavrit/test/test_tree.hpp"

namespace {

using kavrit::demo::SuiteRun;

std::vector<kavrit::test::Test> cases(std::size_t count) {
  std::vector<kavrit::test::Test> trees;
  for (std::size_t i = 0; i < count; ++i) {
    trees.push_back(kavrit::test::testCase("case-" + std::to_string(i), [] {}));
  }
  return trees;
}

// What the printer writes when the program ends, split into lines.
std::vector<std::string> printedLines(const std::vector<SuiteRun>& runs) {
  kavrit::demo::SummaryPrinter printer(runs);
  testing::internal::CaptureStdout();
  printer.OnTestProgramEnd(*testing::UnitTest::GetInstance());
  std::istringstream text(testing::internal::GetCapturedStdout());
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> tokens(const std::string& text, std::string_view separators = " /_") {
  std::vector<std::string> out;
  std::string token;
  for (const char c : text) {
    if (separators.find(c) != std::string_view::npos) {
      if (!token.empty()) out.push_back(token);
      token.clear();
    } else {
      token += c;
    }
  }
  if (!token.empty()) out.push_back(token);
  return out;
}

const std::vector<SuiteRun> kWidestOfTheDemo{
    {"makeDifferentialBlockCipherTests", "OpenSSL_AES128_vs_Nettle_AES128", cases(3),
     "kavrit ecb/cbc/cfb/ofb/ctr"},
    {"makeWycheproofGMACTests", "OpenSSL_AES256", cases(1234),
     "kavrit gcmEncrypt/gcmDecrypt/gcmEncryptLazy/gcmDecryptLazy"},
    {"makeWycheproofTests", "OpenSSL_Camellia256 camellia_wrap_test.json", cases(7),
     "kavrit keyWrap/keyUnwrap"},
    {"makeKeyWrapTests", "OpenSSL_AES192", cases(300),
     "kavrit keyWrap/keyUnwrap/keyWrapPad/keyUnwrapPad"},
    {"makeMD5Tests", "OpenSSL_MD5", cases(7), "-"},
};

TEST(DemoSummary, EveryLineOfTheDemosWidestRowsFits120Columns) {
  for (const std::string& line : printedLines(kWidestOfTheDemo)) {
    EXPECT_LE(line.size(), 120U) << line;
  }
}

TEST(DemoSummary, KeepsEveryNameAndFigure) {
  const std::vector<std::string> lines = printedLines(kWidestOfTheDemo);
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  for (const SuiteRun& run : kWidestOfTheDemo) {
    for (const std::string& text : {run.builder, run.implementation, run.hooks}) {
      for (const std::string& token : tokens(text)) {
        EXPECT_NE(all.find(token), std::string::npos) << token << " missing from\n" << all;
      }
    }
    // The row's first line holds the builder and the figures: KATs, props, passed, failed and
    // seconds.
    const auto first = std::find_if(lines.begin(), lines.end(), [&run](const std::string& line) {
      return line.rfind(run.builder + " ", 0) == 0;
    });
    ASSERT_NE(first, lines.end()) << run.builder << "\n" << all;
    const std::vector<std::string> words = tokens(*first, " ");
    const std::vector<std::string> figures{std::to_string(run.trees.size()), "0", "0", "0", "0.00"};
    EXPECT_NE(std::search(words.begin(), words.end(), figures.begin(), figures.end()), words.end())
        << *first;
  }
  for (const char* header : {"builder", "implementation", "KATs", "props", "passed", "failed",
                             "seconds", "modes", "HMAC", "tested"}) {
    EXPECT_NE(all.find(header), std::string::npos) << header;
  }
}

TEST(DemoSummary, NamesLongerThanAnyColumnWrapWithoutLosingACharacter) {
  const std::string implementation(150, 'q');
  const std::string hooks = "own " + std::string(60, 'z') + "/" + std::string(90, 'z');
  const std::vector<std::string> lines =
      printedLines({{std::string(70, 'b'), implementation, cases(2), hooks}});
  std::size_t qs = 0, zs = 0, bs = 0;
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), 120U) << line;
    qs += static_cast<std::size_t>(std::count(line.begin(), line.end(), 'q'));
    zs += static_cast<std::size_t>(std::count(line.begin(), line.end(), 'z'));
    bs += static_cast<std::size_t>(std::count(line.begin(), line.end(), 'b'));
  }
  EXPECT_EQ(qs, 150U);
  EXPECT_EQ(zs, 150U);
  EXPECT_EQ(bs, 70U + 1U);  // the builder and the "builder" header
}

TEST(DemoSummary, ShortRowsStayOnOneLineEach) {
  const std::vector<std::string> table =
      kavrit::demo::summaryTable({{"makeMD5Tests", "OpenSSL_MD5", "-", "s", 7, 5, 12, 0, 0.25}});
  ASSERT_EQ(table.size(), 2U);
  EXPECT_EQ(table[0],
            "builder       implementation  KATs props passed failed seconds  modes/HMAC tested");
  EXPECT_EQ(table[1], "makeMD5Tests  OpenSSL_MD5        7     5     12      0    0.25  -");
}

}  // namespace
