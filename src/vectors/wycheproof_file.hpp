#pragma once

// Project Wycheproof's JSON vector files, read into plain structures. The JSON library stays in
// wycheproof_file.cpp: nothing else in the library, and nothing a user includes, sees it.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/byte_string.hpp"

namespace kavrit::test::detail {

/// A file that cannot be read as a Wycheproof file; the text is "<path>:<line>: <where>: <what>".
class WycheproofFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// What the file says of one flag (its `notes` entry).
struct WycheproofNote {
  std::string bugType;
  std::string description;
  std::string effect;
  std::vector<std::string> cves;
};

enum class WycheproofResult { Valid, Invalid, Acceptable };

/// One test of a file. Byte fields are decoded from hex; whole-number fields (`size`, `dkLen`,
/// `iterationCount`) are kept apart. Both keep the file's member names.
struct WycheproofCase {
  std::int64_t tcId = 0;
  std::string comment;
  std::vector<std::string> flags;
  WycheproofResult result = WycheproofResult::Valid;
  std::vector<std::pair<std::string, ByteString>> bytes;
  std::vector<std::pair<std::string, std::uint64_t>> numbers;
  /// The line of its "tcId" member, from 1; 0 when it could not be told.
  int line = 0;

  [[nodiscard]] const ByteString* field(std::string_view name) const;
  [[nodiscard]] std::optional<std::uint64_t> number(std::string_view name) const;
};

/// One test group: its whole-number parameters (`keySize`, `ivSize`, `tagSize`, in bits) and
/// its tests.
struct WycheproofGroup {
  std::vector<std::pair<std::string, std::uint64_t>> parameters;
  std::vector<WycheproofCase> tests;

  [[nodiscard]] std::optional<std::uint64_t> parameter(std::string_view name) const;
};

struct WycheproofFile {
  std::string path;
  /// The file name without its folder ("aes_gcm_test.json").
  std::string name;
  std::string algorithm;
  /// The schema's file name, as the file gives it ("aead_test_schema_v1.json").
  std::string schema;
  std::uint64_t numberOfTests = 0;
  std::map<std::string, WycheproofNote, std::less<>> notes;
  std::vector<WycheproofGroup> groups;
};

/// The byte and number fields that tests of `schema` must have, or nothing for a schema the
/// library does not know.
struct WycheproofSchemaFields {
  std::vector<std::string_view> bytes;
  std::vector<std::string_view> numbers;
  std::vector<std::string_view> groupNumbers;
};
std::optional<WycheproofSchemaFields> wycheproofSchemaFields(std::string_view schema);

/// Parses `text`, the contents of `path`. Every test must have a whole-number `tcId` (unique in
/// the file), a `comment` string, `flags` naming entries of `notes` (or none), a `result` of
/// "valid", "invalid" or "acceptable", and the fields its schema gives, of the right type; byte
/// fields must be hex. Anything else throws WycheproofFileError naming the path, the line, the
/// `tcId` (or the group) and the field. A schema the library does not know is read as well, its
/// string members that are hex taken as byte fields, so that the caller can name the schema it
/// refuses.
WycheproofFile parseWycheproofFile(std::string_view text, const std::string& path);

/// Reads and parses the file at `path`; throws WycheproofFileError when it cannot be read.
std::shared_ptr<const WycheproofFile> loadWycheproofFile(const std::string& path);

}  // namespace kavrit::test::detail
