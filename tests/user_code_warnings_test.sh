#!/usr/bin/env bash
# Compiles the README's adapters and the examples as a user's own code would include them, with
# every warning an error, under g++ and clang++ at -O2 and -O3. Inlining at those levels is what
# brings out warnings from inside the kavrit headers (GCC's -Wfree-nonheap-object once came from
# the LazyByteString constructor), so the library's own build flags do not show them.
#
#   user_code_warnings_test.sh <source dir> <compiler>...
#
# Compile only (-c): nothing is linked or run.
set -euo pipefail
source_dir=$1
shift
[ $# -gt 0 ] || { echo "usage: $0 <source dir> <compiler>..." >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The six-line program that first showed the warning.
cat >"$work/six_lines.cpp" <<'EOF'
#include "consumer/sha256_adapter.hpp"
int main() {
  using kavrit::ByteString;
  const Sha256 d = Sha256::hash(kavrit::LazyByteString({ByteString{1, 2}, ByteString{3}}));
  return d == Sha256::hashStrict(ByteString{1, 2, 3}) ? 0 : 1;
}
EOF

# Every example adapter through strict and multi-chunk lazy messages, HMAC, padding and all the
# modes. GoogleTest is left out to keep the compile short; examples/consumer/main.cpp has it.
cat >"$work/adapters.cpp" <<'EOF'
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "consumer/sha256_adapter.hpp"
#include "kavrit/kavrit.hpp"
#include "nettle/nettle_arcfour.hpp"
#include "nettle/nettle_camellia.hpp"
#include "nettle/nettle_chacha.hpp"
#include "nettle/nettle_eax.hpp"
#include "nettle/nettle_reference.hpp"
#include "nettle/nettle_siv.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_aes_gcm_siv.hpp"
#include "openssl/openssl_aes_siv.hpp"
#include "openssl/openssl_camellia.hpp"
#include "openssl/openssl_chacha20.hpp"
#include "openssl/openssl_digest.hpp"
#include "openssl/openssl_evp_support.hpp"
#include "openssl/openssl_kdf.hpp"
#include "openssl/openssl_rc4.hpp"
#include "openssl/openssl_xchacha20_poly1305.hpp"
#include "openssl/openssl_tdes.hpp"
#include "nettle/nettle_tdes.hpp"
#include "openssl/openssl_xts.hpp"

namespace {

using kavrit::ByteString;
using kavrit::LazyByteString;

int failures = 0;

void expect(bool ok, const char* what) {
  if (ok) return;
  ++failures;
  std::printf("failed: %s\n", what);
}

ByteString bytes(std::size_t n, std::uint8_t seed) {
  ByteString out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(seed + 31 * i);
  return out;
}

// Three chunks, one of them empty, cut inside a block.
LazyByteString chunked(const ByteString& whole, std::size_t cut) {
  return LazyByteString(
      {ByteString(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)), ByteString{},
       ByteString(whole.begin() + static_cast<std::ptrdiff_t>(cut), whole.end())});
}

template <class D>
void checkDigest() {
  const ByteString m = bytes(100, 1);
  const D strict = D::hashStrict(m);
  expect(D::hash(chunked(m, 3)) == strict, "hash");
  expect(D::hash(LazyByteString({ByteString{1, 2}, ByteString{3}})) ==
             D::hashStrict(ByteString{1, 2, 3}),
         "hash of two chunks");
  const kavrit::MacKey<D> key(bytes(20, 7));
  expect(kavrit::hmac(key, chunked(m, 70)) == kavrit::hmacStrict(key, m), "hmac");
  const std::optional<D> parsed = D::parse(strict.serialize());
  expect(parsed && *parsed == strict, "parse");
}

// A digest type with OpenSSL's own HKDF and PBKDF2 agrees with kavrit's over its digest.
template <class D, class Plain>
void checkKDF() {
  const ByteString salt = bytes(13, 2), ikm = bytes(22, 4), info = bytes(10, 6);
  expect(kavrit::hkdf<D>(salt, ikm, info, 42) == kavrit::hkdf<Plain>(salt, ikm, info, 42), "hkdf");
  expect(kavrit::pbkdf2<D>(ikm, salt, 3, 42) == kavrit::pbkdf2<Plain>(ikm, salt, 3, 42), "pbkdf2");
}

#define CHECK_CHAINED_MODE(NAME, UN)                                           \
  {                                                                            \
    const auto [out, next] = kavrit::NAME(key, iv, m);                         \
    const auto [lazyOut, lazyNext] = kavrit::NAME##Lazy(key, iv, lazy);        \
    expect(lazyOut == out, #NAME " lazy output");                              \
    expect(lazyNext == next, #NAME " lazy next IV");                           \
    expect(kavrit::UN(key, iv, out).first == m, #UN);                          \
    expect(kavrit::UN##Lazy(key, iv, chunked(out, b + 1)).first == lazy, #UN); \
  }

template <class K>
void checkCipher() {
  const std::size_t b = kavrit::blockBytes<K>();
  const K key = K::buildKey(bytes(static_cast<std::size_t>(K::keyLength() / 8), 3)).value();
  const kavrit::IV<K> iv = kavrit::IV<K>::parse(bytes(b, 5)).value();
  const ByteString m = bytes(4 * b, 9);
  const LazyByteString lazy = chunked(m, b / 2 + 1);
  expect(kavrit::unEcb(key, kavrit::ecb(key, m)) == m, "ecb");
  expect(kavrit::unEcbLazy(key, kavrit::ecbLazy(key, lazy)) == lazy, "ecbLazy");
  CHECK_CHAINED_MODE(cbc, unCbc)
  CHECK_CHAINED_MODE(cfb, unCfb)
  CHECK_CHAINED_MODE(ofb, unOfb)
  CHECK_CHAINED_MODE(ctr, unCtr)
  expect(kavrit::unpadESP(kavrit::padESPBlockSize(b, m)) == m, "padding");
}

// XTS with a partial last block, kavrit's over the block functions and the key type's own.
template <class K>
void checkXTS() {
  const std::size_t n = static_cast<std::size_t>(K::keyLength() / 8);
  const K key1 = K::buildKey(bytes(n, 3)).value();
  const K key2 = K::buildKey(bytes(n, 4)).value();
  const ByteString tweak = bytes(16, 5), m = bytes(37, 9);
  const ByteString c = kavrit::xtsEncrypt(key1, key2, tweak, m);
  expect(kavrit::xtsDecrypt(key1, key2, tweak, c) == m, "xts");
}

// A stream's output through one call and through chunks, and applied twice.
template <class S>
void checkStream(std::size_t keyBytes, std::size_t nonceBytes) {
  const ByteString m = bytes(150, 9);
  S strict = S::start(bytes(keyBytes, 3), bytes(nonceBytes, 5), 0).value();
  S lazy = strict, again = strict;
  const std::optional<ByteString> c = kavrit::streamApply(strict, m);
  expect(c && kavrit::streamApplyLazy(lazy, chunked(m, 70)) == c, "stream applyLazy");
  expect(c && kavrit::streamApply(again, *c) == m, "stream apply twice");
}

template <class M>
void checkMac() {
  const M key = M::buildKey(bytes(static_cast<std::size_t>(M::keyLength() / 8), 3)).value();
  const ByteString m = bytes(100, 9);
  expect(kavrit::macTagLazy(key, chunked(m, 33)) == kavrit::macTag(key, m), "mac tagLazy");
}

// Seal and open, strict and chunked; a deterministic AEAD (`nonceBytes` absent) without a nonce.
template <class A>
void checkAead(std::optional<std::size_t> nonceBytes) {
  const A key = A::buildKey(bytes(static_cast<std::size_t>(A::keyLength() / 8), 3)).value();
  const ByteString aad = bytes(20, 7), m = bytes(100, 9);
  const LazyByteString lazyAad = chunked(aad, 3), lazyM = chunked(m, 40);
  if constexpr (kavrit::Aead<A>) {
    const ByteString n = bytes(*nonceBytes, 5);
    const kavrit::AeadSealed s = kavrit::aeadSeal(key, n, aad, m);
    expect(kavrit::aeadSealLazy(key, n, lazyAad, lazyM) == s, "aead sealLazy");
    expect(kavrit::aeadOpen(key, n, aad, s.ciphertext, s.tag) == m, "aead open");
    expect(kavrit::aeadOpenLazy(key, n, lazyAad, chunked(s.ciphertext, 40), s.tag) == m,
           "aead openLazy");
  } else {
    const kavrit::AeadSealed s = kavrit::aeadSeal(key, aad, m);
    expect(kavrit::aeadSealLazy(key, lazyAad, lazyM) == s, "daead sealLazy");
    expect(kavrit::aeadOpen(key, aad, s.ciphertext, s.tag) == m, "daead open");
    expect(kavrit::aeadOpenLazy(key, lazyAad, chunked(s.ciphertext, 40), s.tag) == m,
           "daead openLazy");
  }
}

}  // namespace

int main() {
  checkDigest<Sha256>();
  checkDigest<kavrit::examples::SHA1>();
  checkDigest<kavrit::examples::SHA512>();
  checkDigest<kavrit::examples::MD5>();
  checkDigest<kavrit::examples::NettleSHA256>();
  checkKDF<kavrit::examples::OpenSSLKDFSHA256, kavrit::examples::SHA256>();
  checkCipher<kavrit::examples::AES128>();
  checkCipher<kavrit::examples::AES256>();
  checkCipher<kavrit::examples::Twofish192>();
  checkCipher<kavrit::examples::NettleAES128>();
  checkCipher<kavrit::examples::Camellia192>();
  checkCipher<kavrit::examples::NettleCamellia256>();
  checkCipher<kavrit::examples::TripleDES3>();
  checkCipher<kavrit::examples::NettleTripleDES3>();
  checkXTS<kavrit::examples::AES128>();
  checkXTS<kavrit::examples::XTSAES256>();
  checkStream<kavrit::examples::OpenSSLChaCha20>(32, 12);
  checkStream<kavrit::examples::NettleChaCha20>(32, 12);
  checkStream<kavrit::examples::OpenSSLRC4>(16, 0);
  checkStream<kavrit::examples::NettleArcfour>(16, 0);
  checkMac<kavrit::examples::OpenSSLPoly1305>();
  checkAead<kavrit::examples::OpenSSLChaCha20Poly1305>(12);
  checkAead<kavrit::examples::NettleChaCha20Poly1305>(12);
  checkAead<kavrit::examples::OpenSSLXChaCha20Poly1305>(24);
  checkAead<kavrit::examples::OpenSSLAesGcmSiv<128>>(12);
  checkAead<kavrit::examples::OpenSSLAesGcmSiv<256>>(12);
  checkAead<kavrit::examples::NettleAesEax<192>>(16);
  checkAead<kavrit::examples::OpenSSLAesSiv<256>>(std::nullopt);
  checkAead<kavrit::examples::NettleAesSiv<512>>(std::nullopt);
  return failures == 0 ? 0 : 1;
}
EOF

# One job per compiler, so two compilers use both cores of a small CI machine.
compile_all() {  # compile_all <compiler> <job number>
  local cxx=$1 job=$2 status=0 level source
  command -v "$cxx" >/dev/null || { echo "FAIL: no compiler $cxx"; return 1; }
  for level in -O2 -O3; do
    for source in "$work/six_lines.cpp" "$work/adapters.cpp" "$source_dir/examples/consumer/main.cpp"; do
      if ! "$cxx" -std=c++20 "$level" -Wall -Wextra -Wpedantic -Werror -I"$source_dir/include" \
        -I"$source_dir/examples" -c "$source" -o "$work/$job.o" 2>"$work/$job.log"; then
        echo "FAIL: $cxx $level $(basename "$source")"
        head -n 60 "$work/$job.log"
        status=1
      fi
    done
  done
  return "$status"
}

pids=()
job=0
for cxx in "$@"; do
  compile_all "$cxx" "$job" >"$work/$job.out" 2>&1 &
  pids+=($!)
  job=$((job + 1))
done
failed=0
for job in "${!pids[@]}"; do
  wait "${pids[$job]}" || failed=1
  cat "$work/$job.out"
done
[ "$failed" -eq 0 ] && echo "user code: warning-free under $* at -O2 and -O3"
exit "$failed"
