#!/usr/bin/env bash
# An AEAD, stream-cipher, MAC or XOF type with a member named like one of the interface's members
# but of another shape must not compile when a suite is asked for: otherwise a lazy entry point of
# the wrong shape would be passed over for kavrit's own, or the type would fail its concept with no
# word on which member is wrong. Each case must fail with an error that names the member and the
# shape it needs; the documented shapes must compile.
#   tests/primitive_hook_shapes_test.sh <source dir> <c++ compiler>
set -euo pipefail
source_dir=$1
cxx=${2:-c++}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

prelude='
#include <cstdint>
#include <optional>
#include "kavrit/test/primitive_suites.hpp"
using kavrit::AeadSealed;
using kavrit::ByteString;
using kavrit::LazyByteString;
using Opened = std::optional<ByteString>;
'
aead='struct T {
  static long keyLength() { return 256; }
  static long nonceLength() { return 96; }
  static bool acceptsNonceLength(long bits) { return bits == 96; }
  static long tagLength() { return 128; }
  static std::optional<T> buildKey(const ByteString&) { return T{}; }
'
aead_strict='  AeadSealed seal(const ByteString&, const ByteString&, const ByteString&) const { return {}; }
  Opened open(const ByteString&, const ByteString&, const ByteString&, const ByteString&) const { return {}; }
'
daead='struct T {
  static long keyLength() { return 256; }
  static long tagLength() { return 128; }
  static std::optional<T> buildKey(const ByteString&) { return T{}; }
  AeadSealed seal(const ByteString&, const ByteString&) const { return {}; }
  Opened open(const ByteString&, const ByteString&, const ByteString&) const { return {}; }
'
stream='struct T {
  static long keyLength() { return 256; }
  static long nonceLength() { return 96; }
  static long counterLength() { return 32; }
  static long blockLength() { return 512; }
  static std::optional<T> start(const ByteString&, const ByteString&, std::uint64_t) { return T{}; }
'
mac='struct T {
  static long keyLength() { return 256; }
  static long tagLength() { return 128; }
  static std::optional<T> buildKey(const ByteString&) { return T{}; }
'

failures=0
# compile <name> <expect: fails|compiles> <expected text> <type text> <builder>
compile() {
  local name=$1 expect=$2 text=$3 type=$4 builder=$5
  local file="$work/$name.cpp"
  printf '%s%s};\nint main() { (void)kavrit::test::%s<T>(); }\n' "$prelude" "$type" "$builder" >"$file"
  if out=$("$cxx" -std=c++20 -fsyntax-only -I"$source_dir/include" "$file" 2>&1); then
    if [ "$expect" = fails ]; then
      echo "FAIL $name: compiled, but the misshapen member must be an error"
      failures=$((failures + 1))
    fi
  elif [ "$expect" = compiles ]; then
    echo "FAIL $name: the documented shapes do not compile"
    echo "$out" | grep -m5 error
    failures=$((failures + 1))
  elif ! grep -qF "$text" <<<"$out"; then
    echo "FAIL $name: the error does not say: $text"
    echo "$out" | grep -m5 error
    failures=$((failures + 1))
  fi
}

compile aead_seal_returns_bytes fails \
  'it must be `AeadSealed seal(const ByteString& nonce, const ByteString& aad, const ByteString& plaintext) const`' \
  "$aead"'  ByteString seal(const ByteString&, const ByteString&, const ByteString&) const { return {}; }
  Opened open(const ByteString&, const ByteString&, const ByteString&, const ByteString&) const { return {}; }
' makeChaCha20Poly1305Suites
compile aead_sealLazy_takes_strict_text fails \
  'it must be `AeadSealed sealLazy(const ByteString& nonce, const LazyByteString& aad, const LazyByteString& plaintext) const`' \
  "$aead$aead_strict"'  AeadSealed sealLazy(const ByteString&, const ByteString&, const ByteString&) const { return {}; }
' makeChaCha20Poly1305Suites
compile aead_openLazy_not_const fails \
  'it must be `std::optional<ByteString> openLazy(const ByteString& nonce, const LazyByteString& aad, const LazyByteString& ciphertext, const ByteString& tag) const`' \
  "$aead$aead_strict"'  Opened openLazy(const ByteString&, const LazyByteString&, const LazyByteString&, const ByteString&) { return {}; }
' makeAESEAXSuites
compile daead_sealLazy_with_nonce fails \
  'it must be `AeadSealed sealLazy(const LazyByteString& aad, const LazyByteString& plaintext) const`' \
  "$daead"'  AeadSealed sealLazy(const ByteString&, const LazyByteString&, const LazyByteString&) const { return {}; }
' makeAESSIVSuites
compile stream_apply_const_bytes fails \
  'it must be `std::optional<ByteString> apply(const ByteString& data)`' \
  "$stream"'  ByteString apply(const ByteString& d) const { return d; }
' makeChaCha20Suites
compile stream_applyLazy_wrong_result fails \
  'it must be `std::optional<ByteString> applyLazy(const LazyByteString& data)`' \
  "$stream"'  Opened apply(const ByteString& d) { return d; }
  ByteString applyLazy(const LazyByteString& d) { return d.flatten(); }
' makeRC4Suites
compile stream_acceptsKeyLength_not_static fails \
  'it must be `static bool acceptsKeyLength(long bits)`' \
  "$stream"'  Opened apply(const ByteString& d) { return d; }
  bool acceptsKeyLength(long bits) const { return bits > 0; }
' makeRC4Suites
compile mac_tagLazy_strict fails \
  'it must be `ByteString tagLazy(const LazyByteString& message) const`' \
  "$mac"'  ByteString tag(const ByteString& m) const { return m; }
  ByteString tagLazy(const ByteString& m) const { return m; }
' makePoly1305Suites
compile documented_aead_shapes compiles '' \
  "$aead$aead_strict"'  AeadSealed sealLazy(const ByteString&, const LazyByteString&, const LazyByteString&) const { return {}; }
  Opened openLazy(const ByteString&, const LazyByteString&, const LazyByteString&, const ByteString&) const { return {}; }
' makeChaCha20Poly1305Suites
compile documented_daead_shapes compiles '' \
  "$daead"'  AeadSealed sealLazy(const LazyByteString&, const LazyByteString&) const { return {}; }
  Opened openLazy(const LazyByteString&, const LazyByteString&, const ByteString&) const { return {}; }
' makeAESSIVSuites
compile documented_stream_shapes compiles '' \
  "$stream"'  static bool acceptsKeyLength(long bits) { return bits == 256; }
  Opened apply(const ByteString& d) { return d; }
  Opened applyLazy(const LazyByteString& d) { return d.flatten(); }
' makeChaCha20Suites
compile documented_mac_shapes compiles '' \
  "$mac"'  ByteString tag(const ByteString& m) const { return m; }
  ByteString tagLazy(const LazyByteString& m) const { return m.flatten(); }
' makePoly1305Suites

xof='struct T {
  static long blockLength() { return 1344; }
  static T absorbStrict(const ByteString&) { return T{}; }
'
compile xof_squeeze_optional fails \
  'it must be `ByteString squeeze(std::size_t bytes)`' \
  "$xof"'  Opened squeeze(std::size_t) { return {}; }
' makeSHAKE128Suites
compile xof_squeeze_appends fails \
  'it must be `ByteString squeeze(std::size_t bytes)`' \
  "$xof"'  void squeeze(ByteString&) {}
' makeSHAKE256Suites
compile xof_absorb_not_static fails \
  'it must be `static X absorb(const LazyByteString& message)`' \
  "$xof"'  ByteString squeeze(std::size_t n) { return ByteString(n); }
  T absorb(const LazyByteString&) const { return T{}; }
' makeSHAKE128Suites
compile xof_absorb_strict_bytes fails \
  'it must be `static X absorb(const LazyByteString& message)`' \
  "$xof"'  ByteString squeeze(std::size_t n) { return ByteString(n); }
  static T absorb(const ByteString&) { return T{}; }
' makeSHAKE256Suites
compile documented_xof_shapes compiles '' \
  "$xof"'  ByteString squeeze(std::size_t n) { return ByteString(n); }
  static T absorb(const LazyByteString&) { return T{}; }
' makeSHAKE128Suites

[ "$failures" -eq 0 ] || exit 1
echo "primitive hook shapes: every misshapen member is a compile error naming its shape"
