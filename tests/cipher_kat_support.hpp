#pragma once

// Shared by the AES and Twofish suite tests: a scratch data directory, running the trees that a
// builder returns, and OpenSSL's AES behind one key type for all key lengths.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/test_tree.hpp"
#include "openssl/openssl_aes.hpp"

namespace kavrit::test::support {

using fixture::caseNames;
using fixture::failureOf;

// A scratch data directory (see fixture::DataDir) with `subdir` (such as "Test/KAT_AES") made
// inside it, where the tests put their vector files.
class ScratchVectorDir {
 public:
  explicit ScratchVectorDir(const std::string& subdir) : dir_(data_.root() / subdir) {
    std::filesystem::create_directories(dir_);
  }

  [[nodiscard]] const std::filesystem::path& dir() const { return dir_; }
  [[nodiscard]] std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

 private:
  fixture::DataDir data_;
  std::filesystem::path dir_;
};

// Unit cases per file (the name up to ".rsp"), how many of them fail, and the groups.
struct KATOutcome {
  std::map<std::string, int> casesPerFile;
  int failing = 0;
  std::size_t groups = 0;
};

inline KATOutcome runKATs(const std::vector<Test>& trees) {
  KATOutcome out;
  for (const Test& t : trees) {
    if (t.kind() != Test::Kind::Case) {
      ++out.groups;
      continue;
    }
    ++out.casesPerFile[t.name().substr(0, t.name().find(".rsp"))];
    if (fixture::failureOf(t)) ++out.failing;
  }
  return out;
}

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Names of the properties, inside the groups, that do not pass.
inline std::vector<std::string> failingProperties(const std::vector<Test>& trees) {
  std::vector<std::string> names;
  for (const Test& group : trees) {
    for (const Test& t : group.children()) {
      if (!t.check(group.name() + "/" + t.name()).passed()) names.push_back(t.name());
    }
  }
  return names;
}

// OpenSSL's AES for a key of any of the three lengths; `Fault` may override any member.
template <class Fault>
struct AnyAES {
  std::variant<examples::AES128, examples::AES192, examples::AES256> aes;
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 192; }
  static std::optional<Fault> buildKey(ByteString key) {
    if constexpr (requires { Fault::alterKey(key); }) Fault::alterKey(key);
    if (auto k = examples::AES128::buildKey(key)) return Fault{{*k}};
    if (auto k = examples::AES192::buildKey(key)) return Fault{{*k}};
    if (auto k = examples::AES256::buildKey(key)) return Fault{{*k}};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const {
    return std::visit([&in](const auto& k) { return k.encryptBlock(in); }, aes);
  }
  ByteString decryptBlock(const ByteString& in) const {
    return std::visit([&in](const auto& k) { return k.decryptBlock(in); }, aes);
  }
};

struct CorrectAES : AnyAES<CorrectAES> {};

// n bytes from `rng`.
inline ByteString randomBytes(std::mt19937& rng, std::size_t n) {
  ByteString out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

// A cipher that leaves every block as it is, with blocks of BlockBits bits and any key.
template <long BlockBits>
struct IdentityCipher {
  static long blockSize() { return BlockBits; }
  static long keyLength() { return 128; }
  static std::optional<IdentityCipher> buildKey(const ByteString&) { return IdentityCipher{}; }
  ByteString encryptBlock(const ByteString& in) const { return in; }
  ByteString decryptBlock(const ByteString& in) const { return in; }
};

}  // namespace kavrit::test::support
