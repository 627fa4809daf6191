#include "summary.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <string_view>

namespace kavrit::demo {
namespace {

void countLeaves(const test::Test& tree, std::size_t& kats, std::size_t& properties) {
  switch (tree.kind()) {
    case test::Test::Kind::Case:
      ++kats;
      break;
    case test::Test::Kind::Property:
      ++properties;
      break;
    case test::Test::Kind::Group:
      for (const test::Test& child : tree.children()) countLeaves(child, kats, properties);
      break;
  }
}

bool inSuite(const std::string& suiteName, const std::string& prefix) {
  return suiteName.size() >= prefix.size() && suiteName.compare(0, prefix.size(), prefix) == 0 &&
         (suiteName.size() == prefix.size() || suiteName[prefix.size()] == '/');
}

// `text` cut into lines of at most `width` characters (at least one), each ending after a space,
// '/', '_' or '-' where one falls within the width; joined again they give `text`.
std::vector<std::string> wrapCell(std::string_view text, std::size_t width) {
  width = std::max<std::size_t>(width, 1);
  std::vector<std::string> lines;
  while (text.size() > width) {
    std::size_t cut = width;
    for (std::size_t i = width; i > 0; --i) {
      const char c = text[i - 1];
      if (c == ' ' || c == '/' || c == '_' || c == '-') {
        cut = i;
        break;
      }
    }
    // A space at the cut still fits: the line keeps it, and trailing blanks are trimmed at print.
    if (cut < text.size() && text[cut] == ' ') ++cut;
    lines.emplace_back(text.substr(0, cut));
    text.remove_prefix(cut);
  }
  if (!text.empty() || lines.empty()) lines.emplace_back(text);
  return lines;
}

}  // namespace

std::vector<std::string> summaryTable(const std::vector<SummaryRow>& rows, std::size_t width) {
  // Columns: builder, implementation, five figures, modes/HMAC tested; figures align right.
  constexpr std::size_t kColumns = 8;
  constexpr std::array<bool, kColumns> kFigure{false, false, true, true, true, true, true, false};
  // The gap in front of each column.
  constexpr std::array<std::size_t, kColumns> kGap{0, 2, 2, 1, 1, 1, 1, 2};
  using Cells = std::array<std::string, kColumns>;
  std::vector<Cells> cells;
  cells.push_back(Cells{"builder", "implementation", "KATs", "props", "passed", "failed", "seconds",
                        "modes/HMAC tested"});
  for (const SummaryRow& row : rows) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", row.seconds);
    cells.push_back(Cells{row.builder, row.implementation, std::to_string(row.kats),
                          std::to_string(row.properties), std::to_string(row.passed),
                          std::to_string(row.failed), seconds, row.hooks});
  }
  std::array<std::size_t, kColumns> widths{};
  for (const Cells& line : cells) {
    for (std::size_t c = 0; c < kColumns; ++c) widths[c] = std::max(widths[c], line[c].size());
  }

  // The figures and gaps keep their room; the names share the rest. The builder keeps its width
  // up to half of that, the implementation and the modes split what is left in proportion.
  std::size_t fixed = 0;
  for (std::size_t c = 0; c < kColumns; ++c) fixed += kGap[c] + (kFigure[c] ? widths[c] : 0);
  const std::size_t room = width > fixed + 3 ? width - fixed : 3;
  if (widths[0] + widths[1] + widths[7] > room) {
    widths[0] = std::clamp<std::size_t>(widths[0], 1, room / 2);
    const std::size_t rest = room - widths[0];
    const std::size_t wanted = widths[1] + widths[7];
    if (wanted > rest) {
      const std::size_t implementation =
          std::clamp<std::size_t>(rest * widths[1] / wanted, 1, rest - 1);
      widths[1] = implementation;
      widths[7] = rest - implementation;
    }
  }

  std::vector<std::string> lines;
  for (const Cells& row : cells) {
    std::array<std::vector<std::string>, kColumns> parts;
    std::size_t height = 1;
    for (std::size_t c = 0; c < kColumns; ++c) {
      parts[c] = kFigure[c] ? std::vector<std::string>{row[c]} : wrapCell(row[c], widths[c]);
      height = std::max(height, parts[c].size());
    }
    for (std::size_t k = 0; k < height; ++k) {
      std::string line;
      for (std::size_t c = 0; c < kColumns; ++c) {
        const std::string part = k < parts[c].size() ? parts[c][k] : "";
        const std::string pad(widths[c] - std::min(widths[c], part.size()), ' ');
        line += std::string(kGap[c], ' ') + (kFigure[c] ? pad + part : part + pad);
      }
      line.erase(line.find_last_not_of(' ') + 1);
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

void FailurePrinter::OnTestStart(const testing::TestInfo& info) {
  current_ = std::string(info.test_suite_name()) + "  " + info.name();
}

void FailurePrinter::OnTestPartResult(const testing::TestPartResult& result) {
  if (!result.failed()) return;
  // Known-answer tests are reported at their vector's file and line, the rest where the demo
  // registered them.
  std::cout << "FAILED  " << current_ << "\n";
  if (result.file_name() != nullptr) {
    std::cout << result.file_name();
    if (result.line_number() >= 0) std::cout << ":" << result.line_number();
    std::cout << "\n";
  }
  std::cout << result.message() << "\n\n";
}

SummaryPrinter::SummaryPrinter(const std::vector<SuiteRun>& runs) {
  for (const SuiteRun& run : runs) {
    SummaryRow row{run.builder, run.implementation, run.hooks, run.suiteName()};
    for (const test::Test& tree : run.trees) countLeaves(tree, row.kats, row.properties);
    rows_.push_back(row);
  }
}

void SummaryPrinter::OnTestStart(const testing::TestInfo& /*info*/) {
  started_ = std::chrono::steady_clock::now();
}

void SummaryPrinter::OnTestEnd(const testing::TestInfo& info) {
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
  for (SummaryRow& row : rows_) {
    if (!inSuite(info.test_suite_name(), row.suite)) continue;
    const testing::TestResult* result = info.result();
    (result->Passed() ? row.passed : row.failed) += 1;
    row.seconds += elapsed.count();
    return;
  }
}

void SummaryPrinter::OnTestProgramEnd(const testing::UnitTest& unitTest) {
  std::printf("\n");
  for (const std::string& line : summaryTable(rows_)) std::printf("%s\n", line.c_str());
  std::size_t passed = 0, failed = 0;
  for (const SummaryRow& row : rows_) {
    passed += row.passed;
    failed += row.failed;
  }
  std::printf("\n%zu tests ran: %zu passed, %zu failed (%.2f s).\n", passed + failed, passed,
              failed, static_cast<double>(unitTest.elapsed_time()) / 1000);
  std::fflush(stdout);
}

}  // namespace kavrit::demo
