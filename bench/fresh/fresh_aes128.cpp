// One program, three ways to run, for the fresh-process benchmark (fresh_process.cpp):
//
//   kavrit-bench-fresh-aes128 start          process start and nothing else
//   kavrit-bench-fresh-aes128 floor          the floor: start, read every AES vector file, decode
//                                            each record's hex and run the bare crypto of every
//                                            128-bit-key vector once (OpenSSL through kavrit's
//                                            modes)
//   kavrit-bench-fresh-aes128 suite [gtest]  the AES-128 known-answer suite under GoogleTest
//
// All three are the same binary, so that loading it and its libraries costs each the same.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/modes.hpp"
#include "kavrit/test/aes.hpp"
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

// Reads "NAME = hex" lines; a record ends at its CIPHERTEXT or PLAINTEXT, whichever comes last.
int floorRun() {
  int vectors = 0;
  int wrong = 0;
  for (const auto& entry : fs::directory_iterator(kavrit::test::getDataFileName("Test/KAT_AES"))) {
    const std::string name = entry.path().filename().string();
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Record record;
    int fields = 0;
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + at, end - at);
      at = end + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      const std::size_t eq = line.find(" = ");
      if (eq == std::string_view::npos) continue;
      const std::string_view field = line.substr(0, eq);
      const std::string_view value = line.substr(eq + 3);
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
    }
  }
  std::printf("%d vectors, %d wrong\n", vectors, wrong);
  return wrong == 0 && vectors > 0 ? 0 : 1;
}

// The known-answer tests of the AES suite, without its property group (random inputs that the
// floor has no counterpart for).
int suiteRun(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::vector<kavrit::test::Test> trees = kavrit::test::makeAESTests<AES128>();
  std::erase_if(trees, [](const kavrit::test::Test& tree) {
    return tree.kind() != kavrit::test::Test::Kind::Case;
  });
  kavrit::gtest::registerTests("AES128", trees);
  return RUN_ALL_TESTS();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "start") return 0;
  if (mode == "floor") return floorRun();
  if (mode == "suite") return suiteRun(argc - 1, argv + 1);
  std::fprintf(stderr, "usage: %s start | floor | suite [gtest flags]\n", argv[0]);
  return 2;
}
