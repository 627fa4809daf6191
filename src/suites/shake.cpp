#include "kavrit/test/shake.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test::detail::shake {
namespace {

// The published outputs end at 250 bytes; a damaged length must not make a case allocate
// gigabytes.
constexpr long long kLongestOutputBits = 8LL << 20;
constexpr std::size_t kMonteIterations = 1000;
constexpr std::size_t kMonteMessageBytes = 16;
constexpr std::size_t kMonteChunk = 5;

// A length field in bits as whole bytes, or the case's failure naming `line`.
std::size_t wholeBytes(const KnownAnswer& answer, std::string_view field, long long bits,
                       int line) {
  if (bits % 8 != 0) {
    throw AssertionFailure(vectorErrorText(answer.path(), line, answer.name(),
                                           std::string(field) + " = " + std::to_string(bits) +
                                               " bits is not whole bytes: a byte-oriented XOF "
                                               "cannot take this record"));
  }
  if (bits < 0 || bits > kLongestOutputBits) {
    throw AssertionFailure(vectorErrorText(answer.path(), line, answer.name(),
                                           std::string(field) + " = " + std::to_string(bits) +
                                               " bits is outside 0 to " +
                                               std::to_string(kLongestOutputBits)));
  }
  return static_cast<std::size_t>(bits / 8);
}

// The integer head line `name` of the record's category, with its line.
std::pair<long long, int> headInteger(const KnownAnswer& answer, std::string_view name) {
  for (const FieldView field : answer.ref().heads()) {
    if (field.name != name) continue;
    try {
      return {readInteger(name, field.value), field.line};
    } catch (const std::invalid_argument& e) {
      throw std::invalid_argument(
          vectorErrorText(answer.path(), field.line, answer.name(), e.what()));
    }
  }
  answer.fail("the head line [" + std::string(name) + " = ...] is missing");
}

// absorbStrict and absorb (in kVectorChunkSize-byte chunks) of `message`, each squeezed once
// for the record's Output.
void checkOutputs(const KnownAnswer& answer, const AnyXof& xof, const ByteString& message,
                  std::size_t bytes, std::string_view lengthField, int lengthLine) {
  const ByteString expected = answer.bytes("Output");
  if (expected.size() != bytes) {
    throw AssertionFailure(
        vectorErrorText(answer.path(), lengthLine, answer.name(),
                        std::string(lengthField) + " gives " + std::to_string(bytes) +
                            " bytes but the Output has " + std::to_string(expected.size())));
  }
  const ByteString strict = xof.absorbStrict(message)->squeeze(bytes);
  const ByteString lazy = xof.absorb(chunked(message, kVectorChunkSize))->squeeze(bytes);
  answer.check("absorbStrict, and absorb in " + std::to_string(kVectorChunkSize) +
                   "-byte chunks, each squeezed once for " + std::to_string(bytes) + " bytes",
               std::pair(strict, lazy), std::pair(expected, expected));
}

// The Msg of the record, Len bits long.
ByteString message(const KnownAnswer& answer) {
  const long long bits = answer.integer("Len");
  const int line = answer.ref().fields().front().line;
  const std::size_t n = wholeBytes(answer, "Len", bits, line);
  const ByteString msg = answer.bytes("Msg");
  if (msg.size() < n) {
    answer.fail("Len = " + std::to_string(bits) + " bits but the Msg has " +
                std::to_string(msg.size()) + " bytes");
  }
  return takeBytes(msg, static_cast<long long>(n));
}

int fieldLine(const KnownAnswer& answer, std::string_view name) {
  for (const FieldView field : answer.ref().fields()) {
    if (field.name == name) return field.line;
  }
  return answer.line();
}

std::vector<Test> fileTests(std::string_view file, std::string_view recordKey,
                            std::span<const std::string_view> required,
                            const std::function<void(const RecordRef&, std::vector<Test>&)>& add) {
  return buildVectorTests(VectorSuite<bool>{
      .directory = getDataFileName(std::string(vectorDirectory(kDirectory).name)),
      .recordKey = recordKey,
      .listed = [file](std::string_view name) { return name == file; },
      .fileRule = [](const ParsedFile&) { return std::optional<bool>(true); },
      .required = [required](bool) { return required; },
      .addTests = [&add](bool, const RecordRef& record,
                         std::vector<Test>& out) { add(record, out); },
  });
}

void append(std::vector<Test>& to, std::vector<Test> from) {
  for (Test& test : from) to.push_back(std::move(test));
}

// The Output and Outputlen of one Monte Carlo checkpoint, strict and lazy side by side.
struct Checkpoint {
  ByteString strict, lazy;
  long long strictBits = 0, lazyBits = 0;
};

std::size_t nextLength(const ByteString& output, std::size_t least, std::size_t most) {
  const std::size_t rightmost =
      (std::size_t{output[output.size() - 2]} << 8) | output[output.size() - 1];
  return least + rightmost % (most - least + 1);
}

ByteString monteMessage(const ByteString& output) {
  ByteString m(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(
                                                    std::min(output.size(), kMonteMessageBytes)));
  m.resize(kMonteMessageBytes, 0);
  return m;
}

Checkpoint runCheckpoint(const AnyXof& xof, const ByteString& start, std::size_t length,
                         std::size_t least, std::size_t most) {
  ByteString strict = start;
  ByteString lazy = start;
  std::size_t strictLength = length;
  std::size_t lazyLength = length;
  Checkpoint out;
  for (std::size_t i = 1; i <= kMonteIterations; ++i) {
    out.strictBits = static_cast<long long>(8 * strictLength);
    out.lazyBits = static_cast<long long>(8 * lazyLength);
    strict = xof.absorbStrict(monteMessage(strict))->squeeze(strictLength);
    lazy = xof.absorb(chunked(monteMessage(lazy), kMonteChunk))->squeeze(lazyLength);
    if (strict.size() != strictLength || lazy.size() != lazyLength) break;
    strictLength = nextLength(strict, least, most);
    lazyLength = nextLength(lazy, least, most);
  }
  out.strict = std::move(strict);
  out.lazy = std::move(lazy);
  return out;
}

Test monteTest(const AnyXof& xof, std::string_view algorithm, const RecordRef& record,
               std::uint32_t start, std::uint32_t count, std::uint32_t outputLength,
               std::uint32_t output) {
  const FieldList fields = record.fields();
  KnownAnswer answer(record,
                     "Nist" + std::string(algorithm) + "Monte-" + std::string(fields[count].value));
  answer.showOnly({start, count, outputLength, output}).atLine(fields[count].line);
  return knownAnswerTest(
      std::move(answer), [&xof, start, count, outputLength, output](const KnownAnswer& answer) {
        const FieldList f = answer.ref().fields();
        const auto [minBits, minLine] = headInteger(answer, "Minimum Output Length (bits)");
        const auto [maxBits, maxLine] = headInteger(answer, "Maximum Output Length (bits)");
        const std::size_t least = wholeBytes(answer, "Minimum Output Length", minBits, minLine);
        const std::size_t most = wholeBytes(answer, "Maximum Output Length", maxBits, maxLine);
        // The next length comes from an output's last two bytes.
        if (least < 2 || most < least) {
          throw AssertionFailure(vectorErrorText(
              answer.path(), minLine, answer.name(),
              "the output lengths must run from 16 bits up, minimum not above maximum"));
        }
        const ByteString first = answer.bytes(f[start]);
        std::size_t length = most;
        std::string from = "the Msg";
        if (start != 0) {
          if (first.size() < 2) answer.fail("the Output before this checkpoint is under 2 bytes");
          length = nextLength(first, least, most);
          from = "the Output recorded on line " + std::to_string(f[start].line);
        }
        const long long expectedBits = readInteger("Outputlen", f[outputLength].value);
        const ByteString expected = answer.bytes(f[output]);
        const Checkpoint got = runCheckpoint(xof, first, length, least, most);
        answer.check(
            "checkpoint COUNT = " + std::string(f[count].value) + ", " +
                std::to_string(kMonteIterations) + " outputs from " + from +
                " (absorbStrict, and absorb in " + std::to_string(kMonteChunk) +
                "-byte chunks): Outputlen of the last and the last Output",
            std::pair(std::pair(got.strictBits, got.lazyBits), std::pair(got.strict, got.lazy)),
            std::pair(std::pair(expectedBits, expectedBits), std::pair(expected, expected)));
      });
}

}  // namespace

std::vector<Test> getTests(const AnyXof& xof, std::string_view algorithm) {
  static constexpr std::string_view kFixed[] = {"Len", "Msg", "Output"};
  static constexpr std::string_view kVariable[] = {"COUNT", "Outputlen", "Msg", "Output"};
  const std::string name(algorithm);
  std::vector<Test> tests;
  std::size_t index = 0;
  for (const char* kind : {"ShortMsg", "LongMsg"}) {
    append(tests,
           fileTests(name + kind + ".rsp", "Len", kFixed,
                     [&](const RecordRef& record, std::vector<Test>& out) {
                       KnownAnswer answer(record, "Nist" + name + "-" + std::to_string(++index));
                       static constexpr std::string_view kHeads[] = {"Outputlen"};
                       answer.showHeads(kHeads);
                       out.push_back(
                           knownAnswerTest(std::move(answer), [&xof](const KnownAnswer& vector) {
                             const auto [bits, line] = headInteger(vector, "Outputlen");
                             checkOutputs(vector, xof, message(vector),
                                          wholeBytes(vector, "Outputlen", bits, line), "Outputlen",
                                          line);
                           }));
                     }));
  }
  append(tests,
         fileTests(
             name + "VariableOut.rsp", "COUNT", kVariable,
             [&](const RecordRef& record, std::vector<Test>& out) {
               KnownAnswer answer(
                   record, "Nist" + name + "VariableOut-" + std::string(*record.field("COUNT")));
               out.push_back(knownAnswerTest(std::move(answer), [&xof](const KnownAnswer& vector) {
                 const int line = fieldLine(vector, "Outputlen");
                 checkOutputs(vector, xof, vector.bytes("Msg"),
                              wholeBytes(vector, "Outputlen", vector.integer("Outputlen"), line),
                              "Outputlen", line);
               }));
             }));
  return tests;
}

std::vector<Test> getMonteTests(const AnyXof& xof, std::string_view algorithm) {
  static constexpr std::string_view kRequired[] = {"Msg"};
  return fileTests(
      std::string(algorithm) + "Monte.rsp", "Msg", kRequired,
      [&](const RecordRef& record, std::vector<Test>& out) {
        // One record holds the Msg and every COUNT/Outputlen/Output after it; each checkpoint
        // starts from the Msg or the Output before it.
        const FieldList fields = record.fields();
        constexpr std::uint32_t kNone = ~std::uint32_t{0};
        std::uint32_t start = 0;
        std::uint32_t count = kNone;
        std::uint32_t length = kNone;
        for (std::uint32_t i = 1; i < fields.size(); ++i) {
          if (fields[i].name == "COUNT") {
            if (count != kNone) start = kNone;  // the previous COUNT had no Output: chain broken
            count = i;
            length = kNone;
          } else if (fields[i].name == "Outputlen" && count != kNone) {
            length = i;
          } else if (fields[i].name == "Output" && count != kNone) {
            if (start != kNone && length != kNone) {
              out.push_back(monteTest(xof, algorithm, record, start, count, length, i));
            }
            start = i;
            count = kNone;
          }
        }
      });
}

}  // namespace kavrit::test::detail::shake
