// The process-wide cache of parsed vector files: it serves a parse again only while the file is
// the one that was read, however quickly the file is rewritten.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "vectors/known_answer.hpp"

namespace kavrit::test::detail {
namespace {

namespace fs = std::filesystem;

class VectorCache : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::temp_directory_path() /
             ("kavrit-cache-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".rsp"))
                .string();
  }
  void TearDown() override { std::remove(path_.c_str()); }

  void write(const std::string& count) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc)
        << "COUNT = " << count << "\nKEY = 00\n";
  }

  // Sets the file's modification time to one fixed moment in the past.
  void age() const {
    const timespec past{1700000000, 0};
    const timespec times[2] = {past, past};
    ASSERT_EQ(::utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
  }

  std::string countRead() const {
    return std::string(loadVectorFile(path_, "COUNT")->record(0, 0).front().value);
  }

  std::string path_;
};

TEST_F(VectorCache, AnUnchangedFileIsParsedOnce) {
  write("1");
  age();
  const auto first = loadVectorFile(path_, "COUNT");
  EXPECT_EQ(loadVectorFile(path_, "COUNT"), first);
  // Another record key is another parse.
  EXPECT_NE(loadVectorFile(path_, "KEY"), first);
}

// The cache does not keep a parse alive: once no test holds it, its memory is back.
TEST_F(VectorCache, AParseLivesAsLongAsItsHolders) {
  write("1");
  age();
  auto held = loadVectorFile(path_, "COUNT");
  const std::weak_ptr<const ParsedFile> watched = held;
  EXPECT_EQ(loadVectorFile(path_, "COUNT"), held);
  held.reset();
  EXPECT_TRUE(watched.expired());
  EXPECT_EQ(countRead(), "1");
}

TEST_F(VectorCache, ARewriteOfTheSameSizeWithinOneTickIsSeen) {
  for (int round = 0; round < 20; ++round) {
    const std::string count = std::to_string(round % 10);
    write(count);
    ASSERT_EQ(countRead(), count) << "round " << round;
  }
}

TEST_F(VectorCache, ARewriteThatRestoresTheModificationTimeIsSeen) {
  write("1");
  age();
  ASSERT_EQ(countRead(), "1");
  ASSERT_EQ(countRead(), "1");
  write("2");
  age();  // the same size and modification time as before; only the change time differs
  EXPECT_EQ(countRead(), "2");
}

// Once a file's last change is a few seconds old, its stamp alone vouches for the cached parse,
// and the cache no longer holds its text: any change must still be seen. (Two files, so that one
// wait makes both trusted.)
TEST_F(VectorCache, ATrustedEntrySeesEveryLaterChange) {
  const std::string other = path_ + ".other";
  std::ofstream(other, std::ios::binary) << "COUNT = 1\nKEY = 00\n";
  write("1");
  age();
  std::this_thread::sleep_for(std::chrono::milliseconds(3100));
  const auto first = loadVectorFile(path_, "COUNT");
  ASSERT_EQ(loadVectorFile(path_, "COUNT"), first);
  ASSERT_NE(loadVectorFile(other, "COUNT")->categoryCount(), 0u);

  write("2");
  age();  // the same size and modification time as before; only the change time differs
  EXPECT_EQ(countRead(), "2");
  std::ofstream(other, std::ios::binary | std::ios::trunc).flush();
  EXPECT_EQ(loadVectorFile(other, "COUNT")->categoryCount(), 0u);
  std::remove(other.c_str());
}

TEST_F(VectorCache, ARemovedFileIsAnErrorNotAStaleParse) {
  write("1");
  age();
  ASSERT_EQ(countRead(), "1");
  std::remove(path_.c_str());
  EXPECT_THROW(countRead(), fs::filesystem_error);
}

}  // namespace
}  // namespace kavrit::test::detail
