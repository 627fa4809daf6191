#include "kavrit/test/vector_directories.hpp"

#include <stdexcept>
#include <string>

namespace kavrit::test {
namespace {

// clang-format off
constexpr VectorDirectory kDirectories[] = {
    // directory                 parsed by  counted by
    {"Test/KAT_AES",             "COUNT",   "COUNT"},
    {"Test/KAT_AES_CTR",         "COUNT",   "COUNT"},
    {"Test/KAT_SHA",             "Len",     "Len"},
    {"Test/KAT_SHA_MONTE",       "Seed",    "COUNT"},
    {"Test/KAT_HMAC",            "Count",   "Count"},
    {"Test/KAT_TWOFISH",         "I",       "I"},
    {"Test/KAT_CAMELLIA",        "COUNT",   "COUNT"},
    {"Test/KAT_AES_CTR_EDGES",   "COUNT",   "COUNT"},
    {"Test/KAT_HASH_EDGES",      "Len",     "Len"},
    {"Test/KAT_SHA3",            "Len",     "Len"},
    {"Test/KAT_SHA3_MONTE",      "Seed",    "COUNT"},
    {"Test/KAT_HMAC_RFC",        "COUNT",   "COUNT"},
    {"Test/KAT_HKDF",            "COUNT",   "COUNT"},
    {"Test/KAT_PBKDF2",          "COUNT",   "COUNT"},
    {"Test/KAT_CMAC",            "COUNT",   "COUNT"},
    {"Test/KAT_KEYWRAP",         "COUNT",   "COUNT"},
    {"Test/KAT_TDES",            "COUNT",   "COUNT"},
    {"Test/KAT_CAMELLIA_NIST",   "COUNT",   "COUNT"},
    {"Test/KAT_XTS",             "COUNT",   "COUNT"},
    {"Test/KAT_GCM",             "Count",   "Count"},
    {"Test/KAT_CCM",             "Count",   "Count"},
    {"Test/KAT_HASHES",          "Len",     "Len"},
    {"Test/KAT_CHACHA20",        "COUNT",   "COUNT"},
    {"Test/KAT_POLY1305",        "COUNT",   "COUNT"},
    {"Test/KAT_CHACHA20_POLY1305", "COUNT", "COUNT"},
    {"Test/KAT_RC4",             "COUNT",   "COUNT"},
    {"Test/KAT_SM4",             "COUNT",   "COUNT"},
    {"Test/KAT_SEED",            "COUNT",   "COUNT"},
    {"Test/KAT_IDEA",            "COUNT",   "COUNT"},
    {"Test/KAT_BLOWFISH",        "COUNT",   "COUNT"},
    {"Test/KAT_CAST5",           "COUNT",   "COUNT"},
    // SHAKE's suites read each kind of file by its own key (Len, COUNT, Msg); parsed by Msg, every
    // Output of every kind falls inside a record.
    {"Test/KAT_SHAKE",           "Msg",     "Output"},
};
// clang-format on

}  // namespace

std::span<const VectorDirectory> vectorDirectories() { return kDirectories; }

const VectorDirectory& vectorDirectory(std::string_view name) {
  for (const VectorDirectory& directory : kDirectories) {
    if (directory.name == name) return directory;
  }
  throw std::out_of_range("no vector directory named \"" + std::string(name) + "\"");
}

}  // namespace kavrit::test
