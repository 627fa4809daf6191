#include "bench_data.hpp"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/twofish.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "suites/file_rules.hpp"

namespace kavrit::bench {
namespace {

namespace fs = std::filesystem;

// A copy's name keeps what the suites read from a name: the AES mode key (first three
// characters and last character of the stem), the SHA prefix, the Twofish base name.
std::string copyName(const std::string& family, const fs::path& name, int copy) {
  const std::string stem = name.stem().string();
  const std::string ext = name.extension().string();
  const std::string tag = "~" + std::to_string(copy);
  if (copy == 0) return name.string();
  if (family == "Test/KAT_AES" && !stem.empty()) {
    return stem.substr(0, stem.size() - 1) + tag + stem.back() + ext;
  }
  if (family == "Test/KAT_TWOFISH") return stem + ".c" + std::to_string(copy);
  return stem + tag + ext;
}

// One read of the whole file into a buffer of its size: the cheapest way to have it in memory.
std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text(fs::file_size(path), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

std::size_t readDirectory(const std::string& family, const std::string& algorithm = "") {
  std::size_t bytes = 0;
  for (const auto& entry : fs::directory_iterator(test::getDataFileName(family))) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file()) continue;
    if (!algorithm.empty() && !test::detail::sha::isFileOf(algorithm, name)) continue;
    bytes += readFile(entry.path()).size();
  }
  return bytes;
}

}  // namespace

ScaledData::ScaledData(int copies) {
  char pattern[] = "/tmp/kavrit-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a temporary directory");
  dir_ = pattern;
  for (const std::string& family : kFamilies) {
    const fs::path from = test::getDataFileName(family);
    const fs::path to = fs::path(dir_) / family;
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
      if (!entry.is_regular_file()) continue;
      for (int copy = 0; copy < copies; ++copy) {
        fs::copy_file(entry.path(), to / copyName(family, entry.path().filename(), copy));
      }
    }
  }
  // The suites trust a cached parse only for a file that has not changed in the last seconds
  // (before that, they read it again to compare). Vector files are old; so must the copies be.
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
}

ScaledData::~ScaledData() {
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
}

DataDirOverride::DataDirOverride(const std::string& dir) {
  if (const char* value = std::getenv("kavrit_tests_datadir")) {
    previous_ = value;
    hadPrevious_ = true;
  }
  setenv("kavrit_tests_datadir", dir.c_str(), 1);
}

DataDirOverride::~DataDirOverride() {
  if (hadPrevious_) {
    setenv("kavrit_tests_datadir", previous_.c_str(), 1);
  } else {
    unsetenv("kavrit_tests_datadir");
  }
}

std::size_t readLikeTheBuilders() {
  std::size_t bytes = readDirectory("Test/KAT_AES") + readDirectory("Test/KAT_TWOFISH");
  for (const char* alg : {"SHA1", "SHA224", "SHA256", "SHA384", "SHA512"}) {
    bytes += readDirectory("Test/KAT_SHA", alg) + readDirectory("Test/KAT_HMAC");
  }
  return bytes;
}

std::vector<test::Test> buildFileDrivenSuites() {
  using namespace kavrit::examples;
  std::vector<test::Test> all;
  const auto add = [&all](std::vector<test::Test> trees) {
    all.insert(all.end(), std::make_move_iterator(trees.begin()),
               std::make_move_iterator(trees.end()));
  };
  add(test::makeAESTests<AES128>());
  add(test::makeSHA1Tests<SHA1>());
  add(test::makeSHA224Tests<SHA224>());
  add(test::makeSHA256Tests<SHA256>());
  add(test::makeSHA384Tests<SHA384>());
  add(test::makeSHA512Tests<SHA512>());
  add(test::makeSHA1HMACTests<SHA1>());
  add(test::makeSHA224HMACTests<SHA224>());
  add(test::makeSHA256HMACTests<SHA256>());
  add(test::makeSHA384HMACTests<SHA384>());
  add(test::makeSHA512HMACTests<SHA512>());
  add(test::makeTwoFishTests<Twofish128>());
  return all;
}

std::size_t vectorBytes() {
  std::size_t bytes = 0;
  for (const std::string& family : kFamilies) {
    for (const auto& entry : fs::directory_iterator(test::getDataFileName(family))) {
      if (entry.is_regular_file()) bytes += entry.file_size();
    }
  }
  return bytes;
}

}  // namespace kavrit::bench
