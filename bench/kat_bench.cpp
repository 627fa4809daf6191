// Running known answers: every AES, SHA and HMAC known-answer check run directly (no runner)
// against the OpenSSL types, against a hand-written loop that makes the same OpenSSL calls on
// inputs decoded beforehand.

#include <benchmark/benchmark.h>

#include <functional>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/vector_files.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "suites/file_rules.hpp"

namespace {

using namespace kavrit;
using namespace kavrit::examples;

void collectCases(const std::vector<test::Test>& trees, std::vector<test::Test>& out) {
  for (const test::Test& t : trees) {
    if (t.kind() == test::Test::Kind::Case) out.push_back(t);
    // Property groups are left out: only the known answers are timed here.
  }
}

std::vector<test::Test> knownAnswerCases() {
  std::vector<test::Test> cases;
  collectCases(test::makeAESTests<AES128>(), cases);
  collectCases(test::makeAESTests<AES192>(), cases);
  collectCases(test::makeAESTests<AES256>(), cases);
  collectCases(test::makeSHA1Tests<SHA1>(), cases);
  collectCases(test::makeSHA224Tests<SHA224>(), cases);
  collectCases(test::makeSHA256Tests<SHA256>(), cases);
  collectCases(test::makeSHA384Tests<SHA384>(), cases);
  collectCases(test::makeSHA512Tests<SHA512>(), cases);
  collectCases(test::makeSHA1HMACTests<SHA1>(), cases);
  collectCases(test::makeSHA224HMACTests<SHA224>(), cases);
  collectCases(test::makeSHA256HMACTests<SHA256>(), cases);
  collectCases(test::makeSHA384HMACTests<SHA384>(), cases);
  collectCases(test::makeSHA512HMACTests<SHA512>(), cases);
  return cases;
}

// The baseline: one closure per vector doing the cipher or hash calls and the comparison, with
// everything decoded when the closure was made.
using Check = std::function<bool()>;

ByteString field(const test::KatRecord& record, const char* name) {
  const std::string* value = test::lookupField(record, name);
  return value ? test::hexStringToBS(*value) : ByteString{};
}

template <class K>
void addAes(std::vector<Check>& checks, test::AESMode mode, const test::KatRecord& record) {
  const auto key = K::buildKey(field(record, "KEY"));
  if (!key) return;
  const ByteString pt = field(record, "PLAINTEXT");
  const ByteString ct = field(record, "CIPHERTEXT");
  const bool encrypt = test::aesModeEncrypts(mode);
  const ByteString& in = encrypt ? pt : ct;
  const ByteString& want = encrypt ? ct : pt;
  using Mode = std::pair<ByteString, IV<K>> (*)(const K&, const IV<K>&, const ByteString&);
  Mode run = nullptr;
  switch (mode) {
    case test::AESMode::ECBEncrypt:
    case test::AESMode::ECBDecrypt:
      checks.push_back([k = *key, in, want, encrypt] {
        return (encrypt ? k.encryptBlock(in) : k.decryptBlock(in)) == want;
      });
      return;
    case test::AESMode::CBCEncrypt:
      run = &cbc<K>;
      break;
    case test::AESMode::CBCDecrypt:
      run = &unCbc<K>;
      break;
    case test::AESMode::CFBEncrypt:
      run = &cfb<K>;
      break;
    case test::AESMode::CFBDecrypt:
      run = &unCfb<K>;
      break;
    case test::AESMode::OFBEncrypt:
      run = &ofb<K>;
      break;
    case test::AESMode::OFBDecrypt:
      run = &unOfb<K>;
      break;
  }
  const auto iv = IV<K>::parse(field(record, "IV"));
  if (!iv) return;
  checks.push_back([k = *key, iv = *iv, in, want, run] { return run(k, iv, in).first == want; });
}

template <class D>
void addSha(std::vector<Check>& checks, const std::string& alg) {
  const auto select = [&alg](std::string_view name) {
    return test::detail::sha::isFileOf(alg, name);
  };
  for (const auto& file :
       test::readVectorFiles(test::getDataFileName("Test/KAT_SHA"), "Len", select)) {
    for (const auto& category : file.categories) {
      for (const auto& record : category.records) {
        const long long len = std::stoll(*test::lookupField(record, "Len"));
        if (len % 8 != 0) continue;
        const ByteString message = test::takeBytes(field(record, "Msg"), len / 8);
        const LazyByteString lazy = test::chunked(message, 37);
        checks.push_back([message, lazy, md = field(record, "MD")] {
          return D::hashStrict(message).serialize() == md && D::hash(lazy).serialize() == md;
        });
      }
    }
  }
}

template <class D>
void addHmac(std::vector<Check>& checks, const std::string& length) {
  for (const auto& file : test::readVectorFiles(test::getDataFileName("Test/KAT_HMAC"), "Count")) {
    for (const auto& category : file.categories) {
      const std::string* l = test::lookupField(category.properties, "L");
      if (!l || *l != length) continue;
      for (const auto& record : category.records) {
        const long long tlen = std::stoll(*test::lookupField(record, "Tlen"));
        const MacKey<D> key(field(record, "Key"));
        const ByteString message = field(record, "Msg");
        checks.push_back(
            [key, message, lazy = test::chunked(message, 37), tlen, mac = field(record, "Mac")] {
              return test::takeBytes(hmacStrict(key, message).serialize(), tlen) == mac &&
                     test::takeBytes(hmac(key, lazy).serialize(), tlen) == mac;
            });
      }
    }
  }
}

std::vector<Check> handWrittenChecks() {
  std::vector<Check> checks;
  for (const auto& file : test::readVectorFiles(test::getDataFileName("Test/KAT_AES"), "COUNT")) {
    const std::optional<test::AESMode> mode = test::aesModeOf(file.name);
    if (!mode) continue;
    for (const auto& category : file.categories) {
      for (const auto& record : category.records) {
        addAes<AES128>(checks, *mode, record);
        addAes<AES192>(checks, *mode, record);
        addAes<AES256>(checks, *mode, record);
      }
    }
  }
  addSha<SHA1>(checks, "SHA1");
  addSha<SHA224>(checks, "SHA224");
  addSha<SHA256>(checks, "SHA256");
  addSha<SHA384>(checks, "SHA384");
  addSha<SHA512>(checks, "SHA512");
  addHmac<SHA1>(checks, "20");
  addHmac<SHA224>(checks, "28");
  addHmac<SHA256>(checks, "32");
  addHmac<SHA384>(checks, "48");
  addHmac<SHA512>(checks, "64");
  return checks;
}

void BM_Baseline_HandWrittenKnownAnswers(benchmark::State& state) {
  const std::vector<Check> checks = handWrittenChecks();
  std::size_t failed = 0;
  for (auto _ : state) {
    for (const Check& check : checks) failed += check() ? 0 : 1;
  }
  state.counters["vectors"] = static_cast<double>(checks.size());
  if (failed != 0) state.SkipWithError("a hand-written check failed");
}

void BM_RunKnownAnswerTests(benchmark::State& state) {
  const std::vector<test::Test> cases = knownAnswerCases();
  for (auto _ : state) {
    for (const test::Test& t : cases) t.run();
  }
  state.counters["vectors"] = static_cast<double>(cases.size());
}

}  // namespace

BENCHMARK(BM_Baseline_HandWrittenKnownAnswers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunKnownAnswerTests)->Unit(benchmark::kMillisecond);
