// Writes the Twofish known-answer files of data/Test/KAT_TWOFISH, computed with Nettle's Twofish.
//
//   kavrit-generate-twofish-vectors [DIR]           write the files into DIR
//   kavrit-generate-twofish-vectors --check [DIR]   compare DIR's files with what would be written
//
// DIR defaults to the source tree's data/Test/KAT_TWOFISH. The output depends on nothing but this
// program: the multi-block files draw their keys, IVs and texts from a fixed-seed generator. Before
// writing or comparing anything, the program checks Nettle against the published Twofish values
// and stops when one differs.

#include <nettle/cbc.h>
#include <nettle/twofish.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "generator_files.hpp"

#ifndef KAVRIT_TWOFISH_VECTOR_DIR
#error "KAVRIT_TWOFISH_VECTOR_DIR must name the default output directory"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlock = TWOFISH_BLOCK_SIZE;
constexpr int kKeySizes[] = {128, 192, 256};
// Records per key size in each multi-block file; the block counts run 1..kMaxBlocks twice.
constexpr int kMultiBlockRecords = 20;
constexpr int kMaxBlocks = 10;
constexpr int kTableRecords = 49;

std::string hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

Bytes unhex(std::string_view text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    out.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

class Twofish {
 public:
  explicit Twofish(const Bytes& key) { twofish_set_key(&ctx_, key.size(), key.data()); }

  Bytes encrypt(const Bytes& in) const {
    Bytes out(in.size());
    twofish_encrypt(&ctx_, in.size(), out.data(), in.data());
    return out;
  }

  Bytes decrypt(const Bytes& in) const {
    Bytes out(in.size());
    twofish_decrypt(&ctx_, in.size(), out.data(), in.data());
    return out;
  }

  Bytes cbcEncrypt(Bytes iv, const Bytes& in) const {
    Bytes out(in.size());
    cbc_encrypt(&ctx_, encryptBlocks, kBlock, iv.data(), in.size(), out.data(), in.data());
    return out;
  }

  Bytes cbcDecrypt(Bytes iv, const Bytes& in) const {
    Bytes out(in.size());
    cbc_decrypt(&ctx_, decryptBlocks, kBlock, iv.data(), in.size(), out.data(), in.data());
    return out;
  }

 private:
  static void encryptBlocks(const void* ctx, std::size_t n, std::uint8_t* dst,
                            const std::uint8_t* src) {
    twofish_encrypt(static_cast<const twofish_ctx*>(ctx), n, dst, src);
  }
  static void decryptBlocks(const void* ctx, std::size_t n, std::uint8_t* dst,
                            const std::uint8_t* src) {
    twofish_decrypt(static_cast<const twofish_ctx*>(ctx), n, dst, src);
  }

  twofish_ctx ctx_{};
};

// SplitMix64: tiny, and its output is fixed by its definition on every platform.
class Generator {
 public:
  explicit Generator(std::uint64_t seed) : state_(seed) {}

  Bytes bytes(std::size_t n) {
    Bytes out;
    while (out.size() < n) {
      std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      z ^= z >> 31;
      for (int i = 0; i < 8 && out.size() < n; ++i) {
        out.push_back(static_cast<std::uint8_t>(z >> (8 * i)));
      }
    }
    return out;
  }

 private:
  std::uint64_t state_;
};

using Fields = std::vector<std::pair<std::string, std::string>>;

struct Category {
  Fields heads;
  std::vector<Fields> records;
};

struct VectorFile {
  std::string name;
  std::string title;
  std::vector<Category> categories;
};

std::string render(const VectorFile& file) {
  std::ostringstream out;
  out << "# Twofish known-answer vectors: " << file.title << "\n"
      << "# Written by tools/generate_twofish_vectors.cpp with Nettle; do not edit by hand.\n";
  for (const Category& category : file.categories) {
    out << "\n";
    for (const auto& [name, value] : category.heads) out << "[" << name << "=" << value << "]\n";
    for (const Fields& record : category.records) {
      out << "\n";
      for (const auto& [name, value] : record) out << name << "=" << value << "\n";
    }
  }
  return out.str();
}

Bytes zeros(std::size_t n) { return Bytes(n, 0); }

Bytes singleBit(std::size_t bytes, int bit) {
  Bytes out = zeros(bytes);
  out[static_cast<std::size_t>(bit / 8)] = static_cast<std::uint8_t>(0x80 >> (bit % 8));
  return out;
}

Category opened(int keyBits) { return Category{{{"KEYSIZE", std::to_string(keyBits)}}, {}}; }

VectorFile variableKey() {
  VectorFile file{"ECB_VK.TXT", "ECB, variable key (one key bit set), zero plaintext", {}};
  for (const int bits : kKeySizes) {
    Category category = opened(bits);
    const Bytes pt = zeros(kBlock);
    category.heads.emplace_back("PT", hex(pt));
    for (int i = 0; i < bits; ++i) {
      const Bytes key = singleBit(static_cast<std::size_t>(bits / 8), i);
      category.records.push_back(
          {{"I", std::to_string(i + 1)}, {"KEY", hex(key)}, {"CT", hex(Twofish(key).encrypt(pt))}});
    }
    file.categories.push_back(std::move(category));
  }
  return file;
}

VectorFile variableText() {
  VectorFile file{"ECB_VT.TXT", "ECB, variable text (one plaintext bit set), zero key", {}};
  for (const int bits : kKeySizes) {
    Category category = opened(bits);
    const Bytes key = zeros(static_cast<std::size_t>(bits / 8));
    category.heads.emplace_back("KEY", hex(key));
    const Twofish cipher(key);
    for (int i = 0; i < 128; ++i) {
      const Bytes pt = singleBit(kBlock, i);
      category.records.push_back(
          {{"I", std::to_string(i + 1)}, {"PT", hex(pt)}, {"CT", hex(cipher.encrypt(pt))}});
    }
    file.categories.push_back(std::move(category));
  }
  return file;
}

// Each record's ciphertext is the next plaintext, and the next key is this plaintext followed by
// this key, cut to the key size.
VectorFile table() {
  VectorFile file{"ECB_TLB.TXT", "ECB, a chain of encryptions from the zero key and text", {}};
  for (const int bits : kKeySizes) {
    Category category = opened(bits);
    const std::size_t keyBytes = static_cast<std::size_t>(bits / 8);
    Bytes key = zeros(keyBytes);
    Bytes pt = zeros(kBlock);
    for (int i = 1; i <= kTableRecords; ++i) {
      const Bytes ct = Twofish(key).encrypt(pt);
      category.records.push_back(
          {{"I", std::to_string(i)}, {"KEY", hex(key)}, {"PT", hex(pt)}, {"CT", hex(ct)}});
      Bytes next = pt;
      next.insert(next.end(), key.begin(), key.end());
      next.resize(keyBytes);
      key = std::move(next);
      pt = ct;
    }
    file.categories.push_back(std::move(category));
  }
  return file;
}

enum class Multi { ECBEncrypt, ECBDecrypt, CBCEncrypt, CBCDecrypt };

VectorFile multiBlock(Multi what) {
  const bool cbc = what == Multi::CBCEncrypt || what == Multi::CBCDecrypt;
  const bool encrypt = what == Multi::ECBEncrypt || what == Multi::CBCEncrypt;
  VectorFile file{std::string(cbc ? "CBC_" : "ECB_") + (encrypt ? "E" : "D") + "_M.TXT",
                  std::string(cbc ? "CBC" : "ECB") + (encrypt ? " encryption" : " decryption") +
                      " of 1 to 10 blocks, pseudo-random keys, " + (cbc ? "IVs, " : "") + "texts",
                  {}};
  Generator random(0x5457'4F46'4953'4800ULL + static_cast<std::uint64_t>(what));
  for (const int bits : kKeySizes) {
    Category category = opened(bits);
    for (int i = 1; i <= kMultiBlockRecords; ++i) {
      const std::size_t blocks = static_cast<std::size_t>((i - 1) % kMaxBlocks + 1);
      const Bytes key = random.bytes(static_cast<std::size_t>(bits / 8));
      const Bytes iv = cbc ? random.bytes(kBlock) : Bytes{};
      const Bytes input = random.bytes(blocks * kBlock);
      const Twofish cipher(key);
      Fields record{{"I", std::to_string(i)}, {"KEY", hex(key)}};
      if (cbc) record.emplace_back("IV", hex(iv));
      if (encrypt) {
        const Bytes ct = cbc ? cipher.cbcEncrypt(iv, input) : cipher.encrypt(input);
        record.emplace_back("PT", hex(input));
        record.emplace_back("CT", hex(ct));
      } else {
        const Bytes pt = cbc ? cipher.cbcDecrypt(iv, input) : cipher.decrypt(input);
        record.emplace_back("CT", hex(input));
        record.emplace_back("PT", hex(pt));
      }
      category.records.push_back(std::move(record));
    }
    file.categories.push_back(std::move(category));
  }
  return file;
}

// Returns the number of published values that Nettle or the generated table does not reproduce.
int checkPublishedValues(const VectorFile& tableFile) {
  int failures = 0;
  const auto expect = [&failures](std::string_view what, const std::string& got,
                                  std::string_view want) {
    if (got == want) return;
    std::cerr << "published value differs: " << what << ": got " << got << ", want " << want
              << "\n";
    ++failures;
  };
  const Bytes pt = zeros(kBlock);
  expect("zero 128-bit key, zero text", hex(Twofish(zeros(16)).encrypt(pt)),
         "9F589F5CF6122C32B6BFEC2F2AE8C35A");
  expect("192-bit key, zero text",
         hex(Twofish(unhex("0123456789ABCDEFFEDCBA98765432100011223344556677")).encrypt(pt)),
         "CFD1D2E5A9BE9CDF501F13B892BD2248");
  expect("256-bit key, zero text",
         hex(Twofish(unhex("0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF"))
                 .encrypt(pt)),
         "37527BE0052334B89F0CFCCAE87CFA20");
  constexpr std::string_view kLastTable[] = {"5D9D4EEFFA9151575524F115815A12E0",
                                             "E75449212BEEF9F4A390BD860A640941",
                                             "37FE26FF1CF66175F5DDF4C33B97A205"};
  for (std::size_t k = 0; k < tableFile.categories.size(); ++k) {
    const Fields& last = tableFile.categories[k].records.back();
    expect("ECB_TLB record " + last[0].second + ", " + std::to_string(kKeySizes[k]) + "-bit key",
           last.back().second, kLastTable[k]);
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<kavrit::tools::GeneratorArgs> args =
      kavrit::tools::readGeneratorArgs(argc, argv, KAVRIT_TWOFISH_VECTOR_DIR);
  if (!args) return 2;
  const bool check = args->check;
  const std::filesystem::path& dir = args->dir;

  const std::vector<VectorFile> files = {
      variableKey(),
      variableText(),
      table(),
      multiBlock(Multi::ECBEncrypt),
      multiBlock(Multi::ECBDecrypt),
      multiBlock(Multi::CBCEncrypt),
      multiBlock(Multi::CBCDecrypt),
  };
  if (checkPublishedValues(files[2]) != 0) {
    std::cerr << "Nettle does not reproduce the published Twofish values; nothing written\n";
    return 1;
  }

  int stale = 0;
  if (!check) std::filesystem::create_directories(dir);
  for (const VectorFile& file : files) {
    const std::string text = render(file);
    const std::filesystem::path path = dir / file.name;
    std::size_t records = 0;
    for (const Category& category : file.categories) records += category.records.size();
    if (!kavrit::tools::writeOrCheck(path, text, check)) {
      if (!check) return 1;
      ++stale;
    }
    if (check) continue;
    std::cout << path.string() << ": " << records << " records\n";
  }
  if (stale != 0) {
    std::cerr << stale << " file(s) out of date; re-run the generator (see tools/README.md)\n";
    return 1;
  }
  if (check)
    std::cout << files.size() << " Twofish vector files up to date in " << dir.string() << "\n";
  return 0;
}
