#pragma once

// The vector core: every file-driven suite is declared as a VectorSuite and built by
// buildVectorTests. A family states its directory and record key, which files it takes, which
// fields a record needs, and how a record becomes tests; reading, the file cache, the error format
// "<path>:<line>: <test name>: <what>" and the failure reports are here, once.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/vector_files.hpp"
#include "tree/test_node.hpp"
#include "vectors/parsed_file.hpp"

namespace kavrit::test::detail {

/// Lists `directory` in the file system's order and calls `visit(path, name)` for each entry that
/// exists, is not a directory and whose name `listed` accepts (every one when empty). Symbolic
/// links are followed and an entry whose status cannot be read is dropped; a kept entry that is not
/// a regular file (a FIFO would block the reader) throws std::filesystem::filesystem_error.
void forEachListedFile(const std::string& directory,
                       const std::function<bool(std::string_view)>& listed,
                       const std::function<void(const std::string&, const std::string&)>& visit);

/// The whole contents of the vector file `path`; throws std::filesystem::filesystem_error.
std::string readVectorText(const std::string& path);

/// `path` parsed under `recordKey`. A file is parsed again only when it changed since the
/// process-wide cache's copy was made, or when nothing holds that copy any more (the cache does
/// not keep a file alive: a file no test uses costs nothing after its builder returns). Throws
/// std::filesystem::filesystem_error when it cannot be read.
std::shared_ptr<const ParsedFile> loadVectorFile(const std::string& path,
                                                 std::string_view recordKey);

/// Lists `directory` as forEachVectorFile does (file-system order, symbolic links followed,
/// directories and unreadable entries dropped, other non-regular files refused) and hands every
/// kept file whose name `listed` accepts (all when empty) to `visit`, loaded through the cache.
void forEachLoadedFile(const std::string& directory, std::string_view recordKey,
                       const std::function<bool(std::string_view)>& listed,
                       const std::function<void(const std::shared_ptr<const ParsedFile>&)>& visit);

/// One record of a loaded file.
struct RecordRef {
  std::shared_ptr<const ParsedFile> file;
  std::uint32_t category = 0;
  std::uint32_t index = 0;

  [[nodiscard]] FieldList fields() const { return file->record(category, index); }
  [[nodiscard]] FieldList heads() const { return file->heads(category); }
  [[nodiscard]] FieldText field(std::string_view name) const { return lookupField(fields(), name); }
  [[nodiscard]] FieldText head(std::string_view name) const { return lookupField(heads(), name); }
  [[nodiscard]] int line() const {
    const FieldList all = fields();
    return all.empty() ? 0 : all.front().line;
  }
};

/// "<path>:<line>: <name>: <what>", the one form of every vector error.
std::string vectorErrorText(std::string_view path, int line, std::string_view name,
                            std::string_view what);

/// A record turned into a named test: what its test needs to decode its fields and to report a
/// failure with the record's inputs. Holds the loaded file, not copies of its text.
class KnownAnswer {
 public:
  KnownAnswer(RecordRef record, std::string name)
      : ref_(std::move(record)), name_(std::move(name)) {}

  /// Only these fields of the record are shown in reports (by position), instead of all of them.
  KnownAnswer& showOnly(std::vector<std::uint32_t> positions) {
    shown_ = std::move(positions);
    return *this;
  }
  /// Head lines of the record's category that the test uses, shown in reports before the record.
  KnownAnswer& showHeads(std::span<const std::string_view> names) {
    heads_ = names;
    return *this;
  }

  [[nodiscard]] const std::string& name() const noexcept { return shared_ ? *shared_ : name_; }
  [[nodiscard]] const RecordRef& ref() const noexcept { return ref_; }
  [[nodiscard]] const std::string& path() const noexcept { return ref_.file->path; }
  [[nodiscard]] int line() const noexcept { return line_ ? line_ : ref_.line(); }
  /// The line reports and runners point at, when it is not the record's first line.
  KnownAnswer& atLine(int line) {
    line_ = line;
    return *this;
  }
  [[nodiscard]] SourceLocation location() const { return {path(), line()}; }

  /// The error text for `what` in the one vector form.
  [[nodiscard]] std::string error(std::string_view what) const;
  [[noreturn]] void fail(std::string_view what) const;

  /// The record's field `field`, which the suite requires; fails naming it when absent.
  [[nodiscard]] std::string_view text(std::string_view field) const;
  /// Hex decoding of a record field, or of a head line of its category. A record field written
  /// as quoted text (`IN= "Ladies and ..."`) stands for the bytes of its printable ASCII
  /// characters; malformed quoted text throws std::invalid_argument naming the file and the
  /// field's own line.
  [[nodiscard]] ByteString bytes(std::string_view field) const;
  [[nodiscard]] ByteString headBytes(std::string_view field) const;
  /// Hex decoding of one given field of the record (where a name occurs more than once).
  [[nodiscard]] ByteString bytes(const FieldView& field) const;
  /// A decimal integer field ("Len", "Tlen").
  [[nodiscard]] long long integer(std::string_view field) const;

  /// The record's inputs as report lines ("  KEY = 00ff..."), long values abbreviated.
  [[nodiscard]] std::string inputs() const;

  /// Compares a computed value with the vector's. The report starts with the test's name (the
  /// assertion's prefix), then says what was compared, where the vector is and what it holds, both
  /// values and where they first differ.
  template <class T>
  void check(std::string_view what, const T& computed, const T& expected,
             ValueLabels labels = ValueLabels{"computed", "vector"}) const {
    if (computed == expected) return;
    assertEqual(name() + ": " + std::string(what) + "\n" + inputs(), computed, expected, labels);
  }

  /// Checks an entry point that must refuse the vector's input (a forgery, a record marked FAIL):
  /// nothing passes; bytes fail the test in check's form, what was released above
  /// "must be refused".
  void checkRefused(std::string_view what, const std::optional<ByteString>& released) const;
  /// Checks that an entry point opened an input the vector says it must: a refusal fails the test
  /// in check's form, "refused" above `expected`. Comparing what it opened to is check's part.
  void checkOpened(std::string_view what, const std::optional<ByteString>& opened,
                   const ByteString& expected) const;

 private:
  RecordRef ref_;
  template <class Body>
  friend struct KnownAnswerNode;
  std::string name_;
  // The name of the test that holds this answer, once the name has moved there.
  const std::string* shared_ = nullptr;
  std::vector<std::uint32_t> shown_;
  std::span<const std::string_view> heads_;
  int line_ = 0;
};

/// The node of a known-answer case: the answer and the body live in it, and the answer reads
/// its name from the node.
template <class Body>
struct KnownAnswerNode : Test::Node {
  KnownAnswerNode(KnownAnswer vector, Body check)
      : Node(Test::Kind::Case, std::move(vector.name_)),
        answer(std::move(vector)),
        body(std::move(check)) {
    answer.shared_ = &name;
  }
  void run() const override { body(answer); }
  [[nodiscard]] std::optional<SourceLocation> location() const override {
    return answer.location();
  }

  KnownAnswer answer;
  Body body;
};

/// The unit case of `answer`: named after it, located at its record, running `body` on it. The
/// answer, the body and the name share one allocation (suites make thousands of these).
template <class Body>
Test knownAnswerTest(KnownAnswer answer, Body body) {
  return TestAccess::wrap(
      std::make_shared<const KnownAnswerNode<Body>>(std::move(answer), std::move(body)));
}

/// A vector file that the suite refuses as a whole; its message is the test's failure.
class RefusedFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The declaration of a file-driven suite. `Rule` is what the suite reads from a file (its mode,
/// its kind); a file for which `fileRule` gives nothing yields no test, and one for which it
/// throws RefusedFile yields one failing test named after the file.
template <class Rule>
struct VectorSuite {
  /// The directory, resolved.
  std::string directory;
  std::string_view recordKey;
  /// Chooses among the listed names before a file is read; empty: every file is read.
  std::function<bool(std::string_view)> listed;
  std::function<std::optional<Rule>(const ParsedFile&)> fileRule;
  /// Chooses the categories whose records the family reads, by their head lines; empty: all.
  std::function<bool(const Rule&, const FieldList&)> takesCategory = {};
  /// Records the family leaves out before anything else is looked at (a key already refused,
  /// say): a cheap check that spares the rest; empty: none.
  std::function<bool(const Rule&, const RecordRef&)> leftOut = {};
  /// A record lacking any of these fields yields no test.
  std::function<std::span<const std::string_view>(const Rule&)> required;
  /// Appends the tests of one complete record.
  std::function<void(const Rule&, const RecordRef&, std::vector<Test>&)> addTests;
};

bool hasFields(const RecordRef& record, std::span<const std::string_view> fields);

/// A failing case named `name` whose failure is `message`.
Test failingCase(std::string name, std::string message, std::optional<SourceLocation> location);

template <class Rule>
std::vector<Test> buildVectorTests(const VectorSuite<Rule>& suite) {
  std::vector<Test> tests;
  forEachLoadedFile(
      suite.directory, suite.recordKey, suite.listed,
      [&](const std::shared_ptr<const ParsedFile>& file) {
        std::optional<Rule> rule;
        try {
          rule = suite.fileRule(*file);
        } catch (const RefusedFile& refused) {
          tests.push_back(failingCase(file->name, refused.what(), SourceLocation{file->path, 1}));
          return;
        }
        if (!rule) return;
        const std::span<const std::string_view> required = suite.required(*rule);
        for (std::uint32_t category = 0; category < file->categoryCount(); ++category) {
          if (suite.takesCategory && !suite.takesCategory(*rule, file->heads(category))) continue;
          const std::size_t records = file->recordCount(category);
          for (std::uint32_t index = 0; index < records; ++index) {
            RecordRef ref{file, category, index};
            if (suite.leftOut && suite.leftOut(*rule, ref)) continue;
            if (hasFields(ref, required)) suite.addTests(*rule, ref, tests);
          }
        }
      });
  return tests;
}

/// The direction that `[ENCRYPT]`/`[DECRYPT]` head lines give a category: true for encryption,
/// nothing without such a line.
std::optional<bool> headDirection(const FieldList& heads);

/// Refuses `file` (RefusedFile, naming the head line) when a category's `[ENCRYPT]`/`[DECRYPT]`
/// head line disagrees with `encrypts`, the direction its name gives.
void requireDirection(const ParsedFile& file, bool encrypts);

}  // namespace kavrit::test::detail
