// Checks that registerTests lets go of everything a test tree owns when RUN_ALL_TESTS ends, and
// not in ~UnitTest, which runs after the static destructors of the libraries that an
// implementation's objects may belong to (Botan's memory pool, say).
//
// The "library" here is a static object; the key and digest objects of the two adapters below
// count themselves and abort the program, like a real library's objects might crash, when they
// are destroyed after it. The leaves capture such objects. The program checks that they are all
// gone when RUN_ALL_TESTS returns, that a second run fails each test cleanly instead of touching
// them, and it ends through the static destructors without aborting.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/kavrit.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/test_tree.hpp"
#include "openssl/openssl_aes.hpp"

namespace {

using kavrit::ByteString;
using kavrit::LazyByteString;

// Constant-initialised and trivially destructible, so readable through all of static destruction.
bool libraryAlive = false;
int liveObjects = 0;

[[noreturn]] void die(const char* what) {
  std::fprintf(stderr, "bridge lifetime: a library object was %s after its library was gone\n",
               what);
  std::abort();
}

class Library {
 public:
  Library() { libraryAlive = true; }
  ~Library() { libraryAlive = false; }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
};

// Static objects are destroyed in the reverse order of their construction. GoogleTest's UnitTest
// is a function-local static made on its first use; made after it, the library goes before it.
void startLibrary() {
  testing::UnitTest::GetInstance();
  static Library library;
}

// Held by every object of the library: made and destroyed only while the library is up.
class Handle {
 public:
  Handle() { made(); }
  Handle(const Handle&) { made(); }
  Handle& operator=(const Handle&) = default;
  ~Handle() {
    if (!libraryAlive) die("destroyed");
    --liveObjects;
  }

 private:
  static void made() {
    if (!libraryAlive) die("made");
    ++liveObjects;
  }
};

// A toy 8-byte block cipher: each byte XORed with the key's.
class PooledCipher {
 public:
  static long blockSize() { return 64; }
  static long keyLength() { return 64; }
  static std::optional<PooledCipher> buildKey(const ByteString& key) {
    if (key.size() != 8) return std::nullopt;
    return PooledCipher(key);
  }
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out = in;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] ^= key_[i % 8];
    return out;
  }
  ByteString decryptBlock(const ByteString& in) const { return encryptBlock(in); }

 private:
  explicit PooledCipher(ByteString key) : key_(std::move(key)) {}
  ByteString key_;
  Handle handle_;
};

// A toy 4-byte digest: the sum of the bytes and the length.
class PooledDigest {
 public:
  static long outputLength() { return 32; }
  static long blockLength() { return 64; }
  static PooledDigest hash(const LazyByteString& message) { return hashStrict(message.flatten()); }
  static PooledDigest hashStrict(const ByteString& message) {
    PooledDigest d;
    for (const std::uint8_t b : message) d.bytes_[0] = static_cast<std::uint8_t>(d.bytes_[0] + b);
    d.bytes_[3] = static_cast<std::uint8_t>(message.size());
    return d;
  }
  ByteString serialize() const { return bytes_; }
  static std::optional<PooledDigest> parse(const ByteString& bytes) {
    if (bytes.size() < 4) return std::nullopt;
    PooledDigest d;
    d.bytes_.assign(bytes.begin(), bytes.begin() + 4);
    return d;
  }
  friend bool operator==(const PooledDigest& a, const PooledDigest& b) {
    return a.bytes_ == b.bytes_;
  }

 private:
  ByteString bytes_ = ByteString(4);
  Handle handle_;
};

// OpenSSL's AES-128 holding a library object, for a real builder that keeps the keys it builds.
class PooledAES128 {
 public:
  static long blockSize() { return 128; }
  static long keyLength() { return 128; }
  static std::optional<PooledAES128> buildKey(const ByteString& key) {
    if (auto aes = kavrit::examples::AES128::buildKey(key)) return PooledAES128(std::move(*aes));
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const { return aes_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return aes_.decryptBlock(in); }

 private:
  explicit PooledAES128(kavrit::examples::AES128 aes) : aes_(std::move(aes)) {}
  kavrit::examples::AES128 aes_;
  Handle handle_;
};

static_assert(kavrit::BlockCipher<PooledCipher>);
static_assert(kavrit::BlockCipher<PooledAES128>);
static_assert(kavrit::Hash<PooledDigest>);

int registrationLine = 0;
int registeredTests = 0;

// Builds the trees from local objects, so that once this returns only the registered leaves hold
// library objects.
void registerTrees() {
  const PooledCipher key = PooledCipher::buildKey({1, 2, 3, 4, 5, 6, 7, 8}).value();
  const PooledDigest digest = PooledDigest::hashStrict({1, 2, 3});
  const ByteString message(32, 0x5a);
  std::vector<kavrit::test::Test> trees{
      kavrit::test::testGroup(
          "cipher",
          {
              kavrit::test::testCase(
                  "CBC round trip",
                  [key, message] {
                    const auto iv = kavrit::IV<PooledCipher>::parse(ByteString(8, 9)).value();
                    const auto sealed = kavrit::cbc(key, iv, message);
                    kavrit::test::assertEqual("unCbc", message,
                                              kavrit::unCbc(key, iv, sealed.first).first);
                  }),
              kavrit::test::testCase("ECB lazy and strict agree",
                                     [key, message] {
                                       kavrit::test::assertEqual(
                                           "ecbLazy", LazyByteString({kavrit::ecb(key, message)}),
                                           kavrit::ecbLazy(key, LazyByteString({message})));
                                     }),
          }),
      kavrit::test::testCase("digest parses back",
                             [digest] {
                               kavrit::test::assertEqual(
                                   "parse", digest,
                                   PooledDigest::parse(digest.serialize()).value());
                             }),
  };
  // The AES CTR suite keeps in each test the key that selected its vector.
  for (kavrit::test::Test& test : kavrit::test::makeAESCTRTests<PooledAES128>()) {
    trees.push_back(std::move(test));
  }
  registeredTests = static_cast<int>(kavrit::test::countLeaves(trees));
  registrationLine = __LINE__ + 1;
  kavrit::gtest::registerTests("Lifetime", trees);
}

class Recorder : public testing::EmptyTestEventListener {
 public:
  void OnTestEnd(const testing::TestInfo& info) override {
    ++ran;
    const testing::TestResult& result = *info.result();
    bool released = result.total_part_count() > 0;
    for (int i = 0; i < result.total_part_count(); ++i) {
      const testing::TestPartResult& part = result.GetTestPartResult(i);
      // Reported where the test was registered, or, for a known-answer test, at its vector.
      const std::string file = part.file_name() != nullptr ? part.file_name() : "";
      const bool atRegistration = file == __FILE__ && part.line_number() == registrationLine;
      const bool atVector =
          file.find("/Test/KAT_AES_CTR/") != std::string::npos && part.line_number() > 0;
      released = released &&
                 std::string(part.message()).find("was released") != std::string::npos &&
                 (atRegistration || atVector);
    }
    if (released) ++failedAsReleased;
  }
  int ran = 0;
  int failedAsReleased = 0;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  startLibrary();
  registerTrees();

  int mismatches = 0;
  const auto mismatch = [&mismatches](const std::string& what) {
    ++mismatches;
    std::cout << "MISMATCH: " << what << std::endl;  // before any abort at exit
  };
  const int kTests = registeredTests;
  if (kTests < 3 + 8) mismatch("expected the three cases and AES-128's eight CTR vectors");
  if (liveObjects == 0) mismatch("the registered leaves hold no library object");

  if (RUN_ALL_TESTS() != 0) mismatch("the first run failed");
  if (liveObjects != 0) {
    mismatch(std::to_string(liveObjects) + " library objects outlived RUN_ALL_TESTS");
  }

  // Run again: every test must now fail, where it is reported, saying that it was released.
  testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
  delete listeners.Release(listeners.default_result_printer());
  auto* recorder = new Recorder;  // owned by GoogleTest from here on
  listeners.Append(recorder);
  if (RUN_ALL_TESTS() == 0) mismatch("the run after the release passed");
  if (recorder->ran != kTests || recorder->failedAsReleased != kTests) {
    mismatch("after the release " + std::to_string(recorder->failedAsReleased) + " of " +
             std::to_string(recorder->ran) + " tests failed as released at the registration, " +
             "expected all " + std::to_string(kTests));
  }

  if (mismatches == 0) {
    std::cout << "bridge lifetime: the leaves and their library objects were released when "
                 "RUN_ALL_TESTS ended\n";
  }
  return mismatches == 0 ? 0 : 1;
}
