#pragma once

// Shared by the AES and Twofish suite tests: a scratch data directory, and running the trees that
// a builder returns.

#include <stdlib.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kavrit/test/test_tree.hpp"

namespace kavrit::test::support {

// A fresh temporary directory with `subdir` (such as "Test/KAT_AES") inside, used as the data
// directory until destroyed; then it is removed and kavrit_tests_datadir restored.
class ScratchVectorDir {
 public:
  explicit ScratchVectorDir(const std::string& subdir) {
    std::string root = (std::filesystem::temp_directory_path() / "kavrit-cipher-XXXXXX").string();
    if (mkdtemp(root.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = root;
    dir_ = root_ / subdir;
    std::filesystem::create_directories(dir_);
    if (const char* old = std::getenv("kavrit_tests_datadir")) saved_ = old;
    setenv("kavrit_tests_datadir", root.c_str(), 1);
  }
  ~ScratchVectorDir() {
    if (saved_) setenv("kavrit_tests_datadir", saved_->c_str(), 1);
    if (!saved_) unsetenv("kavrit_tests_datadir");
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScratchVectorDir(const ScratchVectorDir&) = delete;
  ScratchVectorDir& operator=(const ScratchVectorDir&) = delete;

  [[nodiscard]] const std::filesystem::path& dir() const { return dir_; }
  [[nodiscard]] std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

 private:
  std::filesystem::path root_;
  std::filesystem::path dir_;
  std::optional<std::string> saved_;
};

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs a unit case: the text of what it threw, or nothing when it passed.
inline std::optional<std::string> failureOf(const Test& test) {
  try {
    test.run();
    return std::nullopt;
  } catch (const std::exception& error) {
    return std::string(error.what());
  }
}

// Names of the top-level unit cases, in order; with `failing`, only of those that fail.
inline std::vector<std::string> caseNames(const std::vector<Test>& trees, bool failing = false) {
  std::vector<std::string> names;
  for (const Test& t : trees) {
    if (t.kind() == Test::Kind::Case && (!failing || failureOf(t))) names.push_back(t.name());
  }
  return names;
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
