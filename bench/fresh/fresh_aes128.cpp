// One program, five ways to run, for the fresh-process benchmark (fresh_process.cpp):
//
//   kavrit-bench-fresh-aes128 start              process start and nothing else
//   kavrit-bench-fresh-aes128 floor              the floor: start, read every AES vector file,
//                                                decode each record's hex and run the bare crypto
//                                                of every 128-bit-key vector once (OpenSSL
//                                                through kavrit's modes)
//   kavrit-bench-fresh-aes128 suite [gtest]      the AES-128 known-answer suite under GoogleTest
//   kavrit-bench-fresh-aes128 gcm-floor          the same floor for the GCM files (kavrit's GCM
//                                                over OpenSSL's AES-128)
//   kavrit-bench-fresh-aes128 gcm-suite [gtest]  the GCM known-answer suite for AES-128
//
// All are the same binary, so that loading it and its libraries costs each the same.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/gcm.hpp"
#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/modes.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/paths.hpp"
#include "openssl/openssl_aes.hpp"

namespace {

namespace fs = std::filesystem;
using kavrit::ByteString;
using kavrit::IV;
using kavrit::examples::AES128;

struct Record {
  ByteString key, iv, plaintext, ciphertext;
};

// The bare operation a file's name asks for, on one record; true when it gives the expected bytes.
bool runBare(std::string_view name, const Record& r) {
  const std::optional<AES128> key = AES128::buildKey(r.key);
  if (!key) return false;
  const bool encrypts = name[name.find('.') - 1] == 'e';
  const ByteString& in = encrypts ? r.plaintext : r.ciphertext;
  const ByteString& want = encrypts ? r.ciphertext : r.plaintext;
  if (name.starts_with("ECB"))
    return (encrypts ? kavrit::ecb(*key, in) : kavrit::unEcb(*key, in)) == want;
  const std::optional<IV<AES128>> iv = IV<AES128>::parse(r.iv);
  if (!iv) return false;
  if (name.starts_with("CBC"))
    return (encrypts ? kavrit::cbc(*key, *iv, in) : kavrit::unCbc(*key, *iv, in)).first == want;
  if (name.starts_with("CFB"))
    return (encrypts ? kavrit::cfb(*key, *iv, in) : kavrit::unCfb(*key, *iv, in)).first == want;
  return (encrypts ? kavrit::ofb(*key, *iv, in) : kavrit::unOfb(*key, *iv, in)).first == want;
}

// The whole text of `path`.
std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Calls visit(field, value) for each "NAME = hex" line of `text`, and visit("", "") at each blank
// line, where a record ends.
template <class Visit>
void forEachLine(const std::string& text, Visit&& visit) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      visit(std::string_view(), std::string_view());
      continue;
    }
    const std::size_t eq = line.find(" =");
    if (eq == std::string_view::npos || line.front() == '[') {
      if (line == "FAIL") visit(line, std::string_view());
      continue;
    }
    std::string_view value = line.substr(eq + 2);
    if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    visit(line.substr(0, eq), value);
  }
  visit(std::string_view(), std::string_view());
}

// Reads "NAME = hex" lines; a record ends at its CIPHERTEXT or PLAINTEXT, whichever comes last.
int floorRun() {
  int vectors = 0;
  int wrong = 0;
  for (const auto& entry : fs::directory_iterator(kavrit::test::getDataFileName("Test/KAT_AES"))) {
    const std::string name = entry.path().filename().string();
    Record record;
    int fields = 0;
    forEachLine(readAll(entry.path()), [&](std::string_view field, std::string_view value) {
      if (field == "COUNT") {
        record = Record{};
        fields = 0;
      } else if (field == "KEY") {
        record.key = kavrit::test::hexStringToBS(value);
      } else if (field == "IV") {
        record.iv = kavrit::test::hexStringToBS(value);
      } else if (field == "PLAINTEXT" || field == "CIPHERTEXT") {
        (field == "PLAINTEXT" ? record.plaintext : record.ciphertext) =
            kavrit::test::hexStringToBS(value);
        if (++fields == 2 && record.key.size() == 16) {
          ++vectors;
          wrong += runBare(name, record) ? 0 : 1;
        }
      }
    });
  }
  std::printf("%d vectors, %d wrong\n", vectors, wrong);
  return wrong == 0 && vectors > 0 ? 0 : 1;
}

struct GcmRecord {
  ByteString key, iv, plaintext, aad, ciphertext, tag;
  bool fail = false;
  bool complete = false;
};

// The bare GCM operation of one record; true when it gives what the record says.
bool runBareGcm(bool decrypts, const GcmRecord& r) {
  const std::optional<AES128> key = AES128::buildKey(r.key);
  if (!key) return false;
  if (decrypts) {
    const std::optional<ByteString> opened =
        kavrit::gcmDecrypt(*key, r.iv, r.aad, r.ciphertext, r.tag);
    return r.fail ? !opened : opened == r.plaintext;
  }
  const kavrit::AeadSealed sealed =
      kavrit::gcmEncrypt(*key, r.iv, r.aad, r.plaintext, r.tag.size());
  return sealed.ciphertext == r.ciphertext && sealed.tag == r.tag;
}

int gcmFloorRun() {
  int vectors = 0;
  int wrong = 0;
  for (const auto& entry : fs::directory_iterator(kavrit::test::getDataFileName("Test/KAT_GCM"))) {
    const std::string name = entry.path().filename().string();
    const bool decrypts = name.starts_with("gcmDecrypt");
    GcmRecord record;
    forEachLine(readAll(entry.path()), [&](std::string_view field, std::string_view value) {
      const auto hex = [&] { return kavrit::test::hexStringToBS(value); };
      if (field.empty()) {
        if (record.complete && record.key.size() == 16) {
          ++vectors;
          wrong += runBareGcm(decrypts, record) ? 0 : 1;
        }
        record = GcmRecord{};
      } else if (field == "Key") {
        record.key = hex();
      } else if (field == "IV") {
        record.iv = hex();
      } else if (field == "PT") {
        record.plaintext = hex();
      } else if (field == "AAD") {
        record.aad = hex();
      } else if (field == "CT") {
        record.ciphertext = hex();
      } else if (field == "Tag") {
        record.tag = hex();
        record.complete = true;
      } else if (field == "FAIL") {
        record.fail = true;
      }
    });
  }
  std::printf("%d vectors, %d wrong\n", vectors, wrong);
  return wrong == 0 && vectors > 0 ? 0 : 1;
}

// The known-answer tests of a suite, without its property groups (random inputs that the floor
// has no counterpart for).
int suiteRun(const char* suiteName, std::vector<kavrit::test::Test> trees, int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::erase_if(trees, [](const kavrit::test::Test& tree) {
    return tree.kind() != kavrit::test::Test::Kind::Case;
  });
  kavrit::gtest::registerTests(suiteName, trees);
  return RUN_ALL_TESTS();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "start") return 0;
  if (mode == "floor") return floorRun();
  if (mode == "gcm-floor") return gcmFloorRun();
  if (mode == "suite") {
    return suiteRun("AES128", kavrit::test::makeAESTests<AES128>(), argc - 1, argv + 1);
  }
  if (mode == "gcm-suite") {
    return suiteRun("GCM128", kavrit::test::makeGCMTests<AES128>(), argc - 1, argv + 1);
  }
  std::fprintf(stderr, "usage: %s start | floor | gcm-floor | suite | gcm-suite [gtest flags]\n",
               argv[0]);
  return 2;
}
