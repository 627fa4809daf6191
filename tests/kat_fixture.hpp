#pragma once

// Helpers of the tests of the known-answer suites: the data directory, running unit cases, and a
// digest type with a rewired lazy path or HMAC key for modelling faulty implementations.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test::fixture {

// Points kavrit_tests_datadir at a fresh temporary directory, or unsets it (the build's data
// directory) with `temporary` false; restores the variable and removes the directory afterwards.
class DataDir {
 public:
  explicit DataDir(bool temporary = true) {
    if (const char* old = std::getenv(kVariable)) saved_ = old;
    unsetenv(kVariable);
    if (!temporary) return;
    std::string pattern = (std::filesystem::temp_directory_path() / "kavrit-kat-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    setenv(kVariable, pattern.c_str(), 1);
  }
  ~DataDir() {
    if (!root_.empty()) std::filesystem::remove_all(root_);
    saved_ ? setenv(kVariable, saved_->c_str(), 1) : unsetenv(kVariable);
  }
  DataDir(const DataDir&) = delete;
  DataDir& operator=(const DataDir&) = delete;

  [[nodiscard]] const std::filesystem::path& root() const { return root_; }

  // Writes `text` to `relative` below the root, creating the directories on the way.
  void write(const std::string& relative, const std::string& text) const {
    std::filesystem::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative, std::ios::binary) << text;
  }

 private:
  static constexpr const char* kVariable = "kavrit_tests_datadir";
  std::optional<std::string> saved_;
  std::filesystem::path root_;
};

// Runs a unit case: the text of what it threw, or nothing when it passed.
inline std::optional<std::string> failureOf(const Test& test) {
  try {
    test.run();
  } catch (const std::exception& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

// Runs every unit case at the top of `trees`, in order.
inline std::vector<std::optional<std::string>> failures(const std::vector<Test>& trees) {
  std::vector<std::optional<std::string>> out;
  for (const Test& t : trees) {
    if (t.kind() == Test::Kind::Case) out.push_back(failureOf(t));
  }
  return out;
}

// The names of the unit cases at the top of `trees`, in order; with `failing`, only of those
// that fail.
inline std::vector<std::string> caseNames(const std::vector<Test>& trees, bool failing = false) {
  std::vector<std::string> names;
  for (const Test& t : trees) {
    if (t.kind() == Test::Kind::Case && (!failing || failureOf(t))) names.push_back(t.name());
  }
  return names;
}

// Inner's digest, except that a lazy message first goes through `Rewire::lazy`; and when Rewire
// has `key`, the type brings its own HMAC whose key goes through it.
template <class Inner, class Rewire>
struct Rewired {
  Inner inner;
  static constexpr long outputLength() { return Inner::outputLength(); }
  static constexpr long blockLength() { return Inner::blockLength(); }
  static Rewired hash(const LazyByteString& m) { return {Inner::hash(Rewire::lazy(m))}; }
  static Rewired hashStrict(const ByteString& m) { return {Inner::hashStrict(m)}; }
  [[nodiscard]] ByteString serialize() const { return inner.serialize(); }
  static std::optional<Rewired> parse(const ByteString& bytes) {
    if (auto digest = Inner::parse(bytes)) return Rewired{*digest};
    return std::nullopt;
  }
  template <class Key>
  requires requires(const ByteString& k) { Rewire::key(k); }
  static Rewired hmac(const Key& key, const LazyByteString& m) {
    return {kavrit::hmac(MacKey<Inner>(Rewire::key(key.bytes())), m)};
  }
  template <class Key>
  requires requires(const ByteString& k) { Rewire::key(k); }
  static Rewired hmacStrict(const Key& key, const ByteString& m) {
    return {kavrit::hmacStrict(MacKey<Inner>(Rewire::key(key.bytes())), m)};
  }
  friend bool operator==(const Rewired&, const Rewired&) = default;
};

}  // namespace kavrit::test::fixture
