#include "kavrit/test/user_vectors.hpp"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/block_cipher_files.hpp"
#include "suites/cipher_vectors.hpp"
#include "suites/hash_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

namespace fs = std::filesystem;

// The files of `path`: itself, or a directory's regular files in name order.
std::vector<std::shared_ptr<const detail::ParsedFile>> userFiles(const std::string& path,
                                                                 std::string_view recordKey) {
  std::vector<std::shared_ptr<const detail::ParsedFile>> files;
  if (!fs::is_directory(fs::path(path))) {
    files.push_back(detail::loadVectorFile(path, recordKey));
    return files;
  }
  std::vector<std::string> paths;
  detail::forEachListedFile(
      path, {}, [&paths](const std::string& file, const std::string&) { paths.push_back(file); });
  std::sort(paths.begin(), paths.end());
  for (const std::string& file : paths) files.push_back(detail::loadVectorFile(file, recordKey));
  return files;
}

// Every record of every file, with its category.
template <class Visit>
void forEachUserRecord(const std::string& path, std::string_view recordKey, Visit&& visit) {
  for (const auto& file : userFiles(path, recordKey)) {
    for (std::uint32_t category = 0; category < file->categoryCount(); ++category) {
      const std::size_t records = file->recordCount(category);
      for (std::uint32_t index = 0; index < records; ++index)
        visit(detail::RecordRef{file, category, index});
    }
  }
}

// A malformed record is a failing test at its place, never a silent drop.
template <class Build>
void buildOrFail(std::vector<Test>& tests, const detail::KnownAnswer& answer, Build&& build) {
  try {
    build();
  } catch (const std::exception& error) {
    tests.push_back(detail::failingCase(answer.name(), error.what(), answer.location()));
  }
}

detail::CipherStep stepOf(BlockMode mode, bool encrypts) {
  using Kind = detail::CipherStep::Kind;
  switch (mode) {
    case BlockMode::ECB:
      return {encrypts ? Kind::Ecb : Kind::UnEcb, ChainedMode::CBC, encrypts};
    case BlockMode::CBC:
      return {Kind::Chained, encrypts ? ChainedMode::CBC : ChainedMode::UnCBC, encrypts};
    case BlockMode::CFB:
      return {Kind::Chained, encrypts ? ChainedMode::CFB : ChainedMode::UnCFB, encrypts};
    case BlockMode::OFB:
      return {Kind::Chained, encrypts ? ChainedMode::OFB : ChainedMode::UnOFB, encrypts};
    case BlockMode::CTR:
      return {Kind::Chained, encrypts ? ChainedMode::CTR : ChainedMode::UnCTR, encrypts};
  }
  throw std::logic_error("stepOf: unknown mode");
}

std::string countOrLine(const detail::RecordRef& record) {
  const detail::FieldText count = record.field("COUNT");
  return count != nullptr ? std::string(*count) : "line" + std::to_string(record.line());
}

}  // namespace

namespace detail {

std::vector<Test> blockCipherFileTests(const AnyBlockCipher& cipher, const std::string& path,
                                       BlockMode mode, bool everyKeyLength) {
  std::vector<Test> tests;
  detail::BuildTimeChecks checks(cipher);
  const std::size_t keyBytes = cipher.keyLength() / 8;
  forEachUserRecord(path, "COUNT", [&](const detail::RecordRef& record) {
    const std::optional<bool> encrypts = detail::headDirection(record.heads());
    detail::KnownAnswer answer(record, record.file->name + "-" +
                                           (!encrypts   ? "?"
                                            : *encrypts ? "ENCRYPT"
                                                        : "DECRYPT") +
                                           "-" + countOrLine(record));
    buildOrFail(tests, answer, [&] {
      if (!encrypts) answer.fail("no [ENCRYPT] or [DECRYPT] head line above this record");
      const detail::CipherStep step = stepOf(mode, *encrypts);
      ByteString key = answer.bytes("KEY");
      if (!everyKeyLength && key.size() != keyBytes) return;  // a vector for another key size
      ByteString iv;
      std::exception_ptr ivError;
      if (step.usesIV()) {
        iv = answer.bytes("IV");
        if (!checks.parseIV(iv, ivError)) answer.fail("IV::parse refused the vector's IV");
        if (ivError) {
          tests.push_back(detail::implementationThrewCase(answer, "IV::parse", ivError));
          return;
        }
      }
      (void)answer.text("PLAINTEXT");
      (void)answer.text("CIPHERTEXT");
      const std::size_t before = tests.size();
      if (!checks.keyAccepted(answer, key, tests)) {
        if (tests.size() != before) return;  // buildKey threw: that case is in
        answer.fail("buildKey returned no key for this vector's " + std::to_string(key.size()) +
                    (everyKeyLength ? "-byte KEY, a key length the cipher must take"
                                    : "-byte KEY, the key length of the cipher"));
      }
      tests.push_back(
          detail::nistVectorTest(cipher, std::move(answer), step, {std::move(key), std::move(iv)}));
    });
  });
  return tests;
}

std::vector<Test> blockCipherDirectoryTests(
    const AnyBlockCipher& cipher, std::string_view directory,
    const std::function<std::optional<BlockMode>(std::string_view name)>& modeOf,
    bool everyKeyLength) {
  std::vector<std::pair<std::string, BlockMode>> files;
  forEachListedFile(getDataFileName(std::string(vectorDirectory(directory).name)), {},
                    [&](const std::string& path, const std::string& name) {
                      if (const std::optional<BlockMode> mode = modeOf(name))
                        files.emplace_back(path, *mode);
                    });
  std::sort(files.begin(), files.end());
  std::vector<Test> tests;
  for (const auto& [path, mode] : files) {
    for (Test& test : blockCipherFileTests(cipher, path, mode, everyKeyLength))
      tests.push_back(std::move(test));
  }
  return tests;
}

}  // namespace detail

std::vector<Test> makeBlockCipherKATTests(const AnyBlockCipher& cipher, const std::string& path,
                                          BlockMode mode) {
  return detail::blockCipherFileTests(cipher, path, mode, false);
}

std::vector<Test> makeHashKATTests(const AnyHash& hash, const std::string& path) {
  std::vector<Test> tests;
  const detail::ParsedFile* current = nullptr;
  std::size_t index = 0;
  forEachUserRecord(path, "Len", [&](const detail::RecordRef& record) {
    if (record.file.get() != current) {
      current = record.file.get();
      index = 0;
    }
    detail::KnownAnswer answer(record, record.file->name + "-" + std::to_string(++index));
    buildOrFail(tests, answer, [&] {
      const long long bits = answer.integer("Len");
      if (bits % 8 != 0) return;  // a bit-oriented vector
      (void)answer.bytes("Msg");
      (void)answer.bytes("MD");
      tests.push_back(
          detail::knownAnswerTest(answer, [&hash, bits](const detail::KnownAnswer& vector) {
            detail::checkDigests(vector, hash, takeBytes(vector.bytes("Msg"), bits / 8),
                                 vector.bytes("MD"));
          }));
    });
  });
  return tests;
}

}  // namespace kavrit::test
