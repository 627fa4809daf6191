#!/usr/bin/env bash
# What registering the suites costs a user's compiler. Compiles, one at a time, with the flags a
# user of the library would use:
#   the baseline   a GoogleTest file with one trivial test;
#   N types        a file registering the full set of suites for N distinct key or digest types
#                  (even-numbered types AES-128 keys, odd-numbered ones SHA-256 digests, both over
#                  the OpenSSL adapters of examples/openssl); with KAVRIT_COMPILE_KIND=primitives,
#                  N distinct AEAD, stream-cipher and MAC types in turn (ChaCha20-Poly1305,
#                  ChaCha20 and Poly1305 over OpenSSL), each registering its per-algorithm bundle.
# For each it prints wall seconds and peak compiler memory (GNU time), compile and link, and for
# each N the cost per added type over the baseline measured just before it. The machine may be
# shared: memory is the robust figure, seconds are noisy, hence the baseline in the same run.
# Exits 0 whether or not the targets are met.
#
#   bench/compile_cost.sh [build-dir] [N...]     defaults: build, 1 4 16
#
# The build directory must hold the built libraries (target kavrit_gtest). Environment:
#   CXX        the compiler (g++)
#   CXXFLAGS   its flags (-std=c++20 -O2)
#   KAVRIT_COMPILE_TIMEOUT   seconds one compile may take before it is stopped (900)
#   KAVRIT_COMPILE_MEMORY_MB address-space cap of one compile in MB, to spare the machine (12000)
#   KAVRIT_COMPILE_KEEP=1    keep the generated files and programs (the directory is printed)
#   KAVRIT_COMPILE_KIND      "blocks-and-hashes" (the default) or "primitives"
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1 4 16)
cxx=${CXX:-g++}
read -r -a cxxflags <<<"${CXXFLAGS:--std=c++20 -O2}"
timeout_s=${KAVRIT_COMPILE_TIMEOUT:-900}
memory_mb=${KAVRIT_COMPILE_MEMORY_MB:-12000}
kind=${KAVRIT_COMPILE_KIND:-blocks-and-hashes}
case $kind in
  blocks-and-hashes | primitives) ;;
  *) echo "compile_cost: KAVRIT_COMPILE_KIND must be blocks-and-hashes or primitives" >&2; exit 2 ;;
esac

# Targets per added type, and for the whole 16-type file.
target_seconds_per_type=1
target_mb_per_type=150
target_seconds_16=30

[ -x /usr/bin/time ] || { echo "compile_cost: needs GNU time at /usr/bin/time" >&2; exit 1; }
build=$(cd "$build" && pwd)
libs=()
for lib in "$build"/src/libkavrit*.a; do
  # libkavrit_paths.a points at the installed data; the build-tree variant serves here.
  [ "$(basename "$lib")" = libkavrit_paths.a ] || libs+=("$lib")
done
[ -e "${libs[0]}" ] || {
  echo "compile_cost: no libraries in $build/src; build the target kavrit_gtest first" >&2
  exit 1
}

work=$(mktemp -d)
if [ "${KAVRIT_COMPILE_KEEP:-0}" = 1 ]; then
  echo "compile_cost: files kept in $work"
else
  trap 'rm -rf "$work"' EXIT
fi

includes=(-I"$root/include" -I"$root/examples")
link_libs=("-Wl,--start-group" "${libs[@]}" -lrapidcheck -lgtest "-Wl,--end-group" -lcrypto -pthread)

cat >"$work/baseline.cpp" <<'EOF'
#include <gtest/gtest.h>

TEST(Baseline, Trivial) { EXPECT_EQ(1 + 1, 2); }

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
EOF

generate() { # generate <N>: the consumer file with N types on stdout
  local n=$1 i
  cat <<'EOF'
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <optional>
#include <string>
#include <utility>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace {

using kavrit::ByteString;
using kavrit::examples::AES128;

// One AES-128 key type per I: a user's distinct key types, each instantiating every suite anew.
template <int I>
class Aes128V {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<Aes128V> buildKey(const ByteString& bytes) {
    std::optional<AES128> key = AES128::buildKey(bytes);
    if (!key) return std::nullopt;
    return Aes128V(std::move(*key));
  }
  ByteString encryptBlock(const ByteString& in) const { return key_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return key_.decryptBlock(in); }

 private:
  explicit Aes128V(AES128 key) : key_(std::move(key)) {}
  AES128 key_;
};

// One SHA-256 digest type per I: the adapter's algorithm parameter is a distinct function each.
template <int I>
const EVP_MD* sha256V() {
  return EVP_sha256();
}
template <int I>
using Sha256V = kavrit::examples::OpenSSLDigest<sha256V<I>, 256, 512>;

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  using namespace kavrit::test;
  using kavrit::gtest::registerTests;
EOF
  for ((i = 0; i < n; i++)); do
    if ((i % 2 == 0)); then
      cat <<EOF
  registerTests("Aes$i", makeAESTests<Aes128V<$i>>());
  registerTests("Aes$i/CTR", makeAESCTRTests<Aes128V<$i>>());
  registerTests("Aes$i/Props", makeBlockCipherPropTests<Aes128V<$i>>());
  registerTests("Aes$i/Continuation", makeBlockCipherContinuationTests<Aes128V<$i>>());
  registerTests("Aes$i/Twofish", makeTwoFishTests<Aes128V<$i>>());
EOF
    else
      cat <<EOF
  registerTests("Sha$i", makeSHA256Tests<Sha256V<$i>>());
  registerTests("Sha$i/HMAC", makeSHA256HMACTests<Sha256V<$i>>());
  registerTests("Sha$i/Monte", makeSHA256MonteTests<Sha256V<$i>>());
  registerTests("Sha$i/Props", makeHashPropTests<Sha256V<$i>>());
  registerTests("Sha$i/Chunking", makeHashChunkingTests<Sha256V<$i>>());
  registerTests("Sha$i/MD5", makeMD5Tests<Sha256V<$i>>());
EOF
    fi
  done
  cat <<'EOF'
  return RUN_ALL_TESTS();
}
EOF
}

generate_primitives() { # generate_primitives <N>: the consumer file with N AEAD/stream/MAC types
  local n=$1 i
  cat <<'EOF'
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/primitive_suites.hpp"
#include "openssl/openssl_chacha20.hpp"

namespace {

using kavrit::AeadSealed;
using kavrit::ByteString;
namespace ex = kavrit::examples;

// One type per I of each kind: a user's distinct AEAD, stream and MAC types.
template <int I>
class ChaChaPolyV {
 public:
  static long keyLength() { return ex::OpenSSLChaCha20Poly1305::keyLength(); }
  static long nonceLength() { return ex::OpenSSLChaCha20Poly1305::nonceLength(); }
  static bool acceptsNonceLength(long bits) {
    return ex::OpenSSLChaCha20Poly1305::acceptsNonceLength(bits);
  }
  static long tagLength() { return ex::OpenSSLChaCha20Poly1305::tagLength(); }
  static std::optional<ChaChaPolyV> buildKey(const ByteString& bytes) {
    auto key = ex::OpenSSLChaCha20Poly1305::buildKey(bytes);
    if (!key) return std::nullopt;
    return ChaChaPolyV(std::move(*key));
  }
  AeadSealed seal(const ByteString& n, const ByteString& a, const ByteString& p) const {
    return key_.seal(n, a, p);
  }
  std::optional<ByteString> open(const ByteString& n, const ByteString& a, const ByteString& c,
                                 const ByteString& t) const {
    return key_.open(n, a, c, t);
  }

 private:
  explicit ChaChaPolyV(ex::OpenSSLChaCha20Poly1305 key) : key_(std::move(key)) {}
  ex::OpenSSLChaCha20Poly1305 key_;
};

template <int I>
class ChaChaV {
 public:
  static long keyLength() { return ex::OpenSSLChaCha20::keyLength(); }
  static long nonceLength() { return ex::OpenSSLChaCha20::nonceLength(); }
  static long counterLength() { return ex::OpenSSLChaCha20::counterLength(); }
  static long blockLength() { return ex::OpenSSLChaCha20::blockLength(); }
  static std::optional<ChaChaV> start(const ByteString& key, const ByteString& nonce,
                                      std::uint64_t counter) {
    auto stream = ex::OpenSSLChaCha20::start(key, nonce, counter);
    if (!stream) return std::nullopt;
    return ChaChaV(std::move(*stream));
  }
  std::optional<ByteString> apply(const ByteString& data) { return stream_.apply(data); }

 private:
  explicit ChaChaV(ex::OpenSSLChaCha20 stream) : stream_(std::move(stream)) {}
  ex::OpenSSLChaCha20 stream_;
};

template <int I>
class PolyV {
 public:
  static long keyLength() { return ex::OpenSSLPoly1305::keyLength(); }
  static long tagLength() { return ex::OpenSSLPoly1305::tagLength(); }
  static std::optional<PolyV> buildKey(const ByteString& bytes) {
    auto key = ex::OpenSSLPoly1305::buildKey(bytes);
    if (!key) return std::nullopt;
    return PolyV(std::move(*key));
  }
  ByteString tag(const ByteString& message) const { return key_.tag(message); }

 private:
  explicit PolyV(ex::OpenSSLPoly1305 key) : key_(std::move(key)) {}
  ex::OpenSSLPoly1305 key_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  using namespace kavrit::test;
  using kavrit::gtest::registerTests;
EOF
  for ((i = 0; i < n; i++)); do
    case $((i % 3)) in
      0) echo "  registerTests(\"ChaChaPoly$i\", makeChaCha20Poly1305Suites<ChaChaPolyV<$i>>());" ;;
      1) echo "  registerTests(\"ChaCha$i\", makeChaCha20Suites<ChaChaV<$i>>());" ;;
      2) echo "  registerTests(\"Poly$i\", makePoly1305Suites<PolyV<$i>>());" ;;
    esac
  done
  cat <<'EOF'
  return RUN_ALL_TESTS();
}
EOF
}

# measure <result-file> <command...>: runs the command under GNU time, capped in time and address
# space; the result file gets "<seconds> <peak KB>" or, on failure, "FAILED <reason>".
measure() {
  local out=$1 status=0
  shift
  (
    ulimit -v $((memory_mb * 1024))
    /usr/bin/time -f '%e %M' -o "$out.time" timeout -k 10 "$timeout_s" "$@"
  ) >"$out.log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    tail -n 1 "$out.time" >"$out"
  elif [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "FAILED did not finish in ${timeout_s} s" >"$out"
  else
    echo "FAILED exit status $status (log: see below)" >"$out"
    echo "--- $* failed:" >&2
    tail -n 20 "$out.log" >&2
  fi
}

# compile_and_link <name> <source>: measures both; prints a row of the table.
compile_and_link() {
  local name=$1 source=$2 label=$3
  measure "$work/$name.compile" "$cxx" "${cxxflags[@]}" "${includes[@]}" -c "$source" \
    -o "$work/$name.o"
  if [ -e "$work/$name.o" ] && ! grep -q FAILED "$work/$name.compile"; then
    measure "$work/$name.link" "$cxx" "${cxxflags[@]}" "$work/$name.o" -o "$work/$name" \
      "${link_libs[@]}"
  else
    echo "FAILED no object" >"$work/$name.link"
  fi
  row "$label" "$work/$name.compile" "$work/$name.link"
}

row() { # row <label> <compile result> <link result>
  local label=$1 c l
  c=$(cell "$2")
  l=$(cell "$3")
  printf '%-26s %s   %s\n' "$label" "$c" "$l"
}

calc() { awk "BEGIN { print $1 }"; }  # calc <expression>: floating-point arithmetic

verdict() { # verdict <value> <target>: MET when value <= target
  if [ "$(calc "($1 <= $2) ? 1 : 0")" -eq 1 ]; then echo MET; else echo MISSED; fi
}

cell() { # "seconds MB" of a result file, or its failure
  local s kb
  read -r s kb <"$1"
  if [ "$s" = FAILED ]; then
    printf '%-17s' "${kb}"
  else
    printf '%8.2f %8.0f' "$s" "$(calc "$kb / 1024")"
  fi
}

echo
echo "Compile cost: $("$cxx" --version | head -n 1), ${cxxflags[*]}, one compile at a time"
printf '%-26s %17s   %17s\n' "" "compile" "link"
printf '%-26s %8s %8s   %8s %8s\n' "file" "seconds" "peak MB" "seconds" "peak MB"

summary=()
prev_n="" prev_s="" prev_kb=""
for n in "${counts[@]}"; do
  compile_and_link "baseline$n" "$work/baseline.cpp" "baseline (gtest, 1 test)"
  if [ "$kind" = primitives ]; then
    generate_primitives "$n" >"$work/types$n.cpp"
    label="N=$n ($(((n + 2) / 3)) AEAD, $(((n + 1) / 3)) stream, $((n / 3)) MAC)"
  else
    generate "$n" >"$work/types$n.cpp"
    ciphers=$(((n + 1) / 2))
    label="N=$n ($ciphers AES, $((n - ciphers)) SHA)"
  fi
  compile_and_link "types$n" "$work/types$n.cpp" "$label"
  read -r bs bkb <"$work/baseline$n.compile"
  read -r ts tkb <"$work/types$n.compile"
  if [ "$bs" = FAILED ] || [ "$ts" = FAILED ]; then
    summary+=("$(printf '%-4s %s' "$n" "not measured: ${tkb}")")
    continue
  fi
  per_s=$(calc "($ts - $bs) / $n")
  per_mb=$(calc "($tkb - $bkb) / 1024 / $n")
  line=$(printf '%-4s %9.2f  %-6s %9.0f  %-6s %8.1fx' "$n" "$per_s" \
    "$(verdict "$per_s" "$target_seconds_per_type")" "$per_mb" \
    "$(verdict "$per_mb" "$target_mb_per_type")" "$(calc "$ts / $bs")")
  # What each type beyond the previous N costs: the headers' fixed cost left out.
  if [ -n "$prev_n" ] && [ "$n" -gt "$prev_n" ]; then
    line+=$(printf '   %9.2f %9.0f' "$(calc "($ts - $prev_s) / ($n - $prev_n)")" \
      "$(calc "($tkb - $prev_kb) / 1024 / ($n - $prev_n)")")
  else
    line+=$(printf '   %9s %9s' - -)
  fi
  prev_n=$n prev_s=$ts prev_kb=$tkb
  if [ "$n" -eq 16 ]; then
    line+=$(printf '   16 types %.1f s: %s (target < %s s)' "$ts" \
      "$(verdict "$ts" "$target_seconds_16")" "$target_seconds_16")
  fi
  summary+=("$line")
done

echo
echo "Per added type over the baseline just before it (targets: <= $target_seconds_per_type s," \
  "<= $target_mb_per_type MB; the 16-type file < $target_seconds_16 s)"
printf '%-4s %9s  %-6s %9s  %-6s %9s   %19s\n' "" "" "" "" "" "" "beyond previous N"
printf '%-4s %9s  %-6s %9s  %-6s %9s   %9s %9s\n' "N" "s/type" "" "MB/type" "" "time/base" \
  "s/type" "MB/type"
printf '%s\n' "${summary[@]}"
