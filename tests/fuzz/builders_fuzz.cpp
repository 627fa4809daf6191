// Fuzzes the file-driven suite builders: a data directory holds one fuzzed vector file, a builder
// reads it and every unit case it returns is run against a correct implementation. Whatever the
// file says, building and running must end in passing tests or in errors that carry a message;
// anything else (a crash, a sanitizer report, an exception that is not a std::exception) is a
// finding.
//
// Input layout: byte 0 picks the family, byte 1 the file name (one of the family's real names,
// which decide the mode or algorithm), byte 2 the implementation; the rest is the file's text.

#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha3.hpp"
#include "kavrit/test/sha3_monte.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/twofish.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace {

namespace fs = std::filesystem;
using namespace kavrit::examples;
using kavrit::test::Test;
using Builder = std::function<std::vector<Test>()>;

struct Family {
  std::string directory;           // below the data directory
  std::vector<std::string> names;  // the real file names, sorted
  std::function<Builder(std::string_view name, std::uint8_t pick)> builder;
};

Builder shaBuilder(std::string_view name, std::uint8_t /*pick*/) {
  if (name.starts_with("SHA1")) return [] { return kavrit::test::makeSHA1Tests<SHA1>(); };
  if (name.starts_with("SHA224")) return [] { return kavrit::test::makeSHA224Tests<SHA224>(); };
  if (name.starts_with("SHA256")) return [] { return kavrit::test::makeSHA256Tests<SHA256>(); };
  if (name.starts_with("SHA384")) return [] { return kavrit::test::makeSHA384Tests<SHA384>(); };
  if (name.starts_with("SHA512_224")) {
    return [] { return kavrit::test::makeSHA512_224Tests<SHA512_224>(); };
  }
  if (name.starts_with("SHA512_256")) {
    return [] { return kavrit::test::makeSHA512_256Tests<SHA512_256>(); };
  }
  return [] { return kavrit::test::makeSHA512Tests<SHA512>(); };
}

Builder sha3Builder(std::string_view name, std::uint8_t /*pick*/) {
  if (name.starts_with("SHA3_224"))
    return [] { return kavrit::test::makeSHA3_224Tests<SHA3_224>(); };
  if (name.starts_with("SHA3_256"))
    return [] { return kavrit::test::makeSHA3_256Tests<SHA3_256>(); };
  if (name.starts_with("SHA3_384"))
    return [] { return kavrit::test::makeSHA3_384Tests<SHA3_384>(); };
  return [] { return kavrit::test::makeSHA3_512Tests<SHA3_512>(); };
}

Builder hmacBuilder(std::string_view /*name*/, std::uint8_t pick) {
  switch (pick % 5) {
    case 0:
      return [] { return kavrit::test::makeSHA1HMACTests<SHA1>(); };
    case 1:
      return [] { return kavrit::test::makeSHA224HMACTests<SHA224>(); };
    case 2:
      return [] { return kavrit::test::makeSHA256HMACTests<SHA256>(); };
    case 3:
      return [] { return kavrit::test::makeSHA384HMACTests<SHA384>(); };
    default:
      return [] { return kavrit::test::makeSHA512HMACTests<SHA512>(); };
  }
}

Builder aesBuilder(std::string_view /*name*/, std::uint8_t pick) {
  switch (pick % 3) {
    case 0:
      return [] { return kavrit::test::makeAESTests<AES128>(); };
    case 1:
      return [] { return kavrit::test::makeAESTests<AES192>(); };
    default:
      return [] { return kavrit::test::makeAESTests<AES256>(); };
  }
}

Builder ctrBuilder(std::string_view /*name*/, std::uint8_t pick) {
  switch (pick % 3) {
    case 0:
      return [] { return kavrit::test::makeAESCTRTests<AES128>(); };
    case 1:
      return [] { return kavrit::test::makeAESCTRTests<AES192>(); };
    default:
      return [] { return kavrit::test::makeAESCTRTests<AES256>(); };
  }
}

Builder monteBuilder(std::string_view name, std::uint8_t /*pick*/) {
  if (name.starts_with("SHA1")) return [] { return kavrit::test::makeSHA1MonteTests<SHA1>(); };
  if (name.starts_with("SHA224")) {
    return [] { return kavrit::test::makeSHA224MonteTests<SHA224>(); };
  }
  if (name.starts_with("SHA256")) {
    return [] { return kavrit::test::makeSHA256MonteTests<SHA256>(); };
  }
  if (name.starts_with("SHA384")) {
    return [] { return kavrit::test::makeSHA384MonteTests<SHA384>(); };
  }
  if (name.starts_with("SHA512_224")) {
    return [] { return kavrit::test::makeSHA512_224MonteTests<SHA512_224>(); };
  }
  if (name.starts_with("SHA512_256")) {
    return [] { return kavrit::test::makeSHA512_256MonteTests<SHA512_256>(); };
  }
  return [] { return kavrit::test::makeSHA512MonteTests<SHA512>(); };
}

Builder sha3MonteBuilder(std::string_view name, std::uint8_t /*pick*/) {
  if (name.starts_with("SHA3_224")) {
    return [] { return kavrit::test::makeSHA3_224MonteTests<SHA3_224>(); };
  }
  if (name.starts_with("SHA3_256")) {
    return [] { return kavrit::test::makeSHA3_256MonteTests<SHA3_256>(); };
  }
  if (name.starts_with("SHA3_384")) {
    return [] { return kavrit::test::makeSHA3_384MonteTests<SHA3_384>(); };
  }
  return [] { return kavrit::test::makeSHA3_512MonteTests<SHA3_512>(); };
}

Builder twofishBuilder(std::string_view /*name*/, std::uint8_t pick) {
  switch (pick % 3) {
    case 0:
      return [] { return kavrit::test::makeTwoFishTests<Twofish128>(); };
    case 1:
      return [] { return kavrit::test::makeTwoFishTests<Twofish192>(); };
    default:
      return [] { return kavrit::test::makeTwoFishTests<Twofish256>(); };
  }
}

std::vector<std::string> namesIn(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct Setup {
  fs::path root;
  std::vector<Family> families;

  Setup() {
    std::string pattern = (fs::temp_directory_path() / "kavrit-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root = pattern;
    setenv("kavrit_tests_datadir", pattern.c_str(), 1);
    const fs::path source = KAVRIT_FUZZ_SOURCE_DATADIR;
    families = {{"Test/KAT_SHA", namesIn(source / "Test/KAT_SHA"), shaBuilder},
                {"Test/KAT_HMAC", namesIn(source / "Test/KAT_HMAC"), hmacBuilder},
                {"Test/KAT_AES", namesIn(source / "Test/KAT_AES"), aesBuilder},
                {"Test/KAT_TWOFISH", namesIn(source / "Test/KAT_TWOFISH"), twofishBuilder},
                {"Test/KAT_AES_CTR", namesIn(source / "Test/KAT_AES_CTR"), ctrBuilder},
                {"Test/KAT_SHA_MONTE", namesIn(source / "Test/KAT_SHA_MONTE"), monteBuilder},
                {"Test/KAT_SHA3", namesIn(source / "Test/KAT_SHA3"), sha3Builder},
                {"Test/KAT_SHA3_MONTE", namesIn(source / "Test/KAT_SHA3_MONTE"), sha3MonteBuilder}};
  }
};

// Runs every unit case of the trees; properties do not read the file and are left out.
void runCases(const std::vector<Test>& trees) {
  for (const Test& tree : trees) {
    if (tree.kind() == Test::Kind::Group) {
      runCases(tree.children());
    } else if (tree.kind() == Test::Kind::Case) {
      try {
        tree.run();
      } catch (const std::exception& error) {
        if (std::string_view(error.what()).empty()) std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  if (size < 3) return 0;
  const Family& family = setup.families[data[0] % setup.families.size()];
  const std::string& name = family.names[data[1] % family.names.size()];
  const fs::path directory = setup.root / family.directory;
  fs::remove_all(setup.root);
  fs::create_directories(directory);
  std::ofstream(directory / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(data) + 3, static_cast<std::streamsize>(size - 3));

  std::vector<Test> tests;
  try {
    tests = family.builder(name, data[2])();
  } catch (const std::exception& error) {
    // A builder may refuse a file (an IV or KEY that is not hex, an unknown Twofish file kind).
    if (std::string_view(error.what()).empty()) std::abort();
    return 0;
  }
  runCases(tests);
  return 0;
}
