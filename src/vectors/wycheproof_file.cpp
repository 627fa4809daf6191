#include "vectors/wycheproof_file.hpp"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "kavrit/test/hex.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test::detail {
namespace {

using Json = nlohmann::json;

// nlohmann keeps no positions, so the line of each test is found in the text: the files hold one
// "tcId" member per test, in the order of the tests.
std::vector<int> tcIdLines(std::string_view text) {
  std::vector<int> lines;
  int line = 1;
  constexpr std::string_view key = "\"tcId\"";
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\n') {
      ++line;
    } else if (text.compare(at, key.size(), key) == 0 && (at == 0 || text[at - 1] != '\\')) {
      lines.push_back(line);
      at += key.size() - 1;
    }
  }
  return lines;
}

int lineAt(std::string_view text, std::size_t byte) {
  const std::size_t end = std::min(byte, text.size());
  return 1 +
         static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(end), '\n'));
}

std::string_view typeName(const Json& value) { return value.type_name(); }

// Errors name the place in the file as closely as it can be told: the test's line and tcId, or
// the group's index.
struct Place {
  const std::string& path;
  int line = 1;
  std::string where;

  [[noreturn]] void fail(std::string_view field, std::string_view what) const {
    std::string text = path + ":" + std::to_string(line) + ": " + where;
    if (!field.empty()) text += ": field \"" + std::string(field) + "\"";
    throw WycheproofFileError(text + ": " + std::string(what));
  }
};

const Json& member(const Json& object, std::string_view name, const Place& place) {
  const auto found = object.find(name);
  if (found == object.end()) place.fail(name, "missing");
  return *found;
}

std::string stringMember(const Json& object, std::string_view name, const Place& place) {
  const Json& value = member(object, name, place);
  if (!value.is_string()) {
    place.fail(name, "a " + std::string(typeName(value)) + " where a string belongs");
  }
  return value.get<std::string>();
}

std::uint64_t numberMember(const Json& object, std::string_view name, const Place& place) {
  const Json& value = member(object, name, place);
  if (!value.is_number_unsigned()) {
    place.fail(name, value.is_number()
                         ? "\"" + value.dump() + "\" is not a whole number of at least 0"
                         : "a " + std::string(typeName(value)) + " where a number belongs");
  }
  return value.get<std::uint64_t>();
}

ByteString hexMember(const Json& object, std::string_view name, const Place& place) {
  const std::string text = stringMember(object, name, place);
  try {
    return hexStringToBS(text);
  } catch (const std::invalid_argument& error) {
    place.fail(name, std::string("not hex: ") + error.what());
  }
}

bool isHex(const std::string& text) {
  return text.size() % 2 == 0 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
         });
}

WycheproofResult resultOf(const std::string& text, const Place& place) {
  if (text == "valid") return WycheproofResult::Valid;
  if (text == "invalid") return WycheproofResult::Invalid;
  if (text == "acceptable") return WycheproofResult::Acceptable;
  place.fail("result", "\"" + text + "\" is none of valid, invalid and acceptable");
}

std::map<std::string, WycheproofNote, std::less<>> readNotes(const Json& root, const Place& place) {
  std::map<std::string, WycheproofNote, std::less<>> notes;
  const auto found = root.find("notes");
  if (found == root.end()) return notes;
  if (!found->is_object()) place.fail("notes", "not an object");
  for (const auto& [flag, entry] : found->items()) {
    const Place at{place.path, place.line, "notes entry \"" + flag + "\""};
    if (!entry.is_object()) at.fail("", "not an object");
    WycheproofNote note;
    note.bugType = stringMember(entry, "bugType", at);
    if (entry.contains("description")) note.description = stringMember(entry, "description", at);
    if (entry.contains("effect")) note.effect = stringMember(entry, "effect", at);
    if (entry.contains("cves")) {
      const Json& cves = entry["cves"];
      if (!cves.is_array()) at.fail("cves", "not an array");
      for (const Json& cve : cves) {
        if (!cve.is_string()) at.fail("cves", "holds a " + std::string(typeName(cve)));
        note.cves.push_back(cve.get<std::string>());
      }
    }
    notes.emplace(flag, std::move(note));
  }
  return notes;
}

}  // namespace

const ByteString* WycheproofCase::field(std::string_view name) const {
  for (const auto& [key, value] : bytes) {
    if (key == name) return &value;
  }
  return nullptr;
}

std::optional<std::uint64_t> WycheproofCase::number(std::string_view name) const {
  for (const auto& [key, value] : numbers) {
    if (key == name) return value;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> WycheproofGroup::parameter(std::string_view name) const {
  for (const auto& [key, value] : parameters) {
    if (key == name) return value;
  }
  return std::nullopt;
}

std::optional<WycheproofSchemaFields> wycheproofSchemaFields(std::string_view schema) {
  using F = WycheproofSchemaFields;
  if (schema == "aead_test_schema_v1.json") {
    return F{{"key", "iv", "aad", "msg", "ct", "tag"}, {}, {"keySize", "ivSize", "tagSize"}};
  }
  if (schema == "daead_test_schema_v1.json") return F{{"key", "aad", "msg", "ct"}, {}, {"keySize"}};
  if (schema == "mac_test_schema_v1.json") {
    return F{{"key", "msg", "tag"}, {}, {"keySize", "tagSize"}};
  }
  if (schema == "mac_with_iv_test_schema_v1.json") {
    return F{{"key", "iv", "msg", "tag"}, {}, {"keySize", "ivSize", "tagSize"}};
  }
  if (schema == "keywrap_test_schema_v1.json") return F{{"key", "msg", "ct"}, {}, {"keySize"}};
  if (schema == "ind_cpa_test_schema_v1.json") {
    return F{{"key", "iv", "msg", "ct"}, {}, {"keySize", "ivSize"}};
  }
  if (schema == "hkdf_test_schema_v1.json") {
    return F{{"ikm", "salt", "info", "okm"}, {"size"}, {"keySize"}};
  }
  if (schema == "pbkdf_test_schema.json") {
    return F{{"password", "salt", "dk"}, {"iterationCount", "dkLen"}, {}};
  }
  return std::nullopt;
}

WycheproofFile parseWycheproofFile(std::string_view text, const std::string& path) {
  Json root;
  try {
    root = Json::parse(text);
  } catch (const Json::parse_error& error) {
    throw WycheproofFileError(path + ":" + std::to_string(lineAt(text, error.byte)) +
                              ": not JSON: " + error.what());
  }
  const Place top{path, 1, "the file"};
  if (!root.is_object()) top.fail("", "a " + std::string(typeName(root)) + ", not an object");

  WycheproofFile file;
  file.path = path;
  const std::size_t slash = path.find_last_of('/');
  file.name = slash == std::string::npos ? path : path.substr(slash + 1);
  file.algorithm = stringMember(root, "algorithm", top);
  file.schema = stringMember(root, "schema", top);
  file.numberOfTests = numberMember(root, "numberOfTests", top);
  file.notes = readNotes(root, top);
  const std::optional<WycheproofSchemaFields> schema = wycheproofSchemaFields(file.schema);

  const Json& groups = member(root, "testGroups", top);
  if (!groups.is_array()) top.fail("testGroups", "not an array");
  const std::vector<int> lines = tcIdLines(text);
  std::size_t testIndex = 0;
  std::set<std::int64_t> seen;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const Json& groupJson = groups[g];
    const int groupLine = testIndex < lines.size() ? lines[testIndex] : 1;
    const Place groupPlace{path, groupLine, "testGroups[" + std::to_string(g) + "]"};
    if (!groupJson.is_object()) groupPlace.fail("", "not an object");
    WycheproofGroup group;
    for (const auto& [name, value] : groupJson.items()) {
      if (value.is_number_unsigned())
        group.parameters.emplace_back(name, value.get<std::uint64_t>());
    }
    if (schema) {
      for (std::string_view name : schema->groupNumbers) {
        if (!group.parameter(name)) numberMember(groupJson, name, groupPlace);  // throws
      }
    }
    const Json& tests = member(groupJson, "tests", groupPlace);
    if (!tests.is_array()) groupPlace.fail("tests", "not an array");
    for (const Json& testJson : tests) {
      // Lines stay unknown (0) rather than wrong when a string of the file holds "tcId" too.
      const int line = testIndex < lines.size() ? lines[testIndex] : 0;
      ++testIndex;
      Place place{path, line == 0 ? groupLine : line, "testGroups[" + std::to_string(g) + "]"};
      if (!testJson.is_object()) place.fail("", "a test that is not an object");
      WycheproofCase test;
      const Json& id = member(testJson, "tcId", place);
      if (!id.is_number_integer()) place.fail("tcId", "not a whole number");
      test.tcId = id.get<std::int64_t>();
      place.where = "tcId " + std::to_string(test.tcId);
      if (!seen.insert(test.tcId).second) place.fail("tcId", "used by an earlier test as well");
      test.line = line;
      test.comment = stringMember(testJson, "comment", place);
      test.result = resultOf(stringMember(testJson, "result", place), place);
      // Some files leave out the flags of tests that have none.
      static const Json kNoFlags = Json::array();
      const auto found = testJson.find("flags");
      const Json& flags = found == testJson.end() ? kNoFlags : *found;
      if (!flags.is_array()) place.fail("flags", "not an array");
      for (const Json& flag : flags) {
        if (!flag.is_string()) place.fail("flags", "holds a " + std::string(typeName(flag)));
        const std::string name = flag.get<std::string>();
        if (!file.notes.contains(name)) {
          place.fail("flags", "\"" + name + "\" has no entry in the file's notes");
        }
        test.flags.push_back(name);
      }
      if (schema) {
        for (std::string_view name : schema->bytes) {
          test.bytes.emplace_back(name, hexMember(testJson, name, place));
        }
        for (std::string_view name : schema->numbers) {
          test.numbers.emplace_back(name, numberMember(testJson, name, place));
        }
      } else {
        for (const auto& [name, value] : testJson.items()) {
          if (value.is_string() && name != "comment" && name != "result" &&
              isHex(value.get<std::string>())) {
            test.bytes.emplace_back(name, hexStringToBS(value.get<std::string>()));
          } else if (value.is_number_unsigned() && name != "tcId") {
            test.numbers.emplace_back(name, value.get<std::uint64_t>());
          }
        }
      }
      group.tests.push_back(std::move(test));
    }
    file.groups.push_back(std::move(group));
  }
  if (testIndex != file.numberOfTests) {
    top.fail("numberOfTests", std::to_string(file.numberOfTests) + " where the groups hold " +
                                  std::to_string(testIndex) + " tests");
  }
  return file;
}

std::shared_ptr<const WycheproofFile> loadWycheproofFile(const std::string& path) {
  std::string text;
  try {
    // A FIFO or a device would block the reader or never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
      throw WycheproofFileError(path + ": not a readable regular file");
    }
    text = readVectorText(path);
  } catch (const WycheproofFileError&) {
    throw;
  } catch (const std::exception& error) {
    throw WycheproofFileError(path + ": cannot be read: " + error.what());
  }
  return std::make_shared<const WycheproofFile>(parseWycheproofFile(text, path));
}

}  // namespace kavrit::test::detail
