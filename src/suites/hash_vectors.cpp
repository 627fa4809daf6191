#include "suites/hash_vectors.hpp"

#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test::detail {
namespace {

const std::string kChunks = " (" + std::to_string(kVectorChunkSize) + "-byte chunks)";

}  // namespace

void checkDigests(const KnownAnswer& answer, const AnyHash& hash, const ByteString& message,
                  const ByteString& digest) {
  answer.check(
      "hashStrict and hash" + kChunks + " of the message against the MD",
      std::pair(hash.hashStrictBytes(message), hash.hashBytes(chunked(message, kVectorChunkSize))),
      std::pair(digest, digest));
}

void checkMacs(const KnownAnswer& answer, const AnyHash& hash, const ByteString& key,
               const ByteString& message, const ByteString& mac,
               std::optional<long long> tagBytes) {
  ByteString strict = hash.hmacStrict(key, message).serialize();
  ByteString lazy = hash.hmac(key, chunked(message, kVectorChunkSize)).serialize();
  if (tagBytes) {
    strict = takeBytes(strict, *tagBytes);
    lazy = takeBytes(lazy, *tagBytes);
  }
  answer.check("hmacStrict and hmac" + kChunks + (tagBytes ? ", cut to Tlen bytes," : "") +
                   " against the Mac",
               std::pair(strict, lazy), std::pair(mac, mac));
}

std::size_t checkedLength(const KnownAnswer& answer, std::string_view lengthField,
                          std::string_view bytesField, const ByteString& bytes) {
  const long long length = answer.integer(lengthField);
  if (length < 0 || static_cast<unsigned long long>(length) != bytes.size()) {
    answer.fail(std::string(lengthField) + " = " + std::to_string(length) + " but the " +
                std::string(bytesField) + " holds " + std::to_string(bytes.size()) + " bytes");
  }
  return bytes.size();
}

std::string_view vectorAlgorithm(const AnyHash& hash, std::span<const std::string_view> supported,
                                 std::string_view vectors) {
  struct Lengths {
    std::string_view name;
    long output;
    long block;
  };
  static constexpr Lengths kLengths[] = {
      {"MD5", 128, 512},     {"SHA1", 160, 512},    {"SHA224", 224, 512},   {"SHA256", 256, 512},
      {"SHA384", 384, 1024}, {"SHA512", 512, 1024}, {"RIPEMD160", 160, 512}};
  std::string names;
  for (const std::string_view name : supported) {
    for (const Lengths& lengths : kLengths) {
      if (lengths.name != name) continue;
      if (lengths.output == hash.outputLength() && lengths.block == hash.blockLength()) {
        return name;
      }
      names += (names.empty() ? "" : ", ") + std::string(name) + " (" +
               std::to_string(lengths.output) + "-bit output, " + std::to_string(lengths.block) +
               "-bit block)";
    }
  }
  throw std::invalid_argument(std::string(vectors) + " for " + names + " only, not for a hash of " +
                              std::to_string(hash.outputLength()) + "-bit output and " +
                              std::to_string(hash.blockLength()) + "-bit block");
}

std::vector<Test> singleFileTests(
    std::string_view directory, std::string file, std::span<const std::string_view> required,
    const std::function<void(const RecordRef&, std::vector<Test>&)>& addTests) {
  const VectorDirectory& entry = vectorDirectory(directory);
  return buildVectorTests(VectorSuite<bool>{
      .directory = getDataFileName(std::string(entry.name)),
      .recordKey = entry.recordKey,
      .listed = [file = std::move(file)](std::string_view name) { return name == file; },
      .fileRule = [](const detail::ParsedFile&) { return std::optional<bool>(true); },
      .required = [required](bool) { return required; },
      .addTests = [&addTests](bool, const RecordRef& record,
                              std::vector<Test>& out) { addTests(record, out); },
  });
}

}  // namespace kavrit::test::detail
