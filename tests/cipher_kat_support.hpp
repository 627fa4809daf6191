#pragma once

// Shared by the AES and Twofish suite tests: a scratch data directory, and running the trees that
// a builder returns.

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/test_tree.hpp"

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

}  // namespace kavrit::test::support
