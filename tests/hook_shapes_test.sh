#!/usr/bin/env bash
# A key or digest type with a member named like a hook but of another shape must not compile:
# otherwise the suites would quietly test kavrit's generic mode, HMAC, HKDF or PBKDF2 instead of
# the member.
# Each case is compiled as a user's test file would be (asking for a suite); it must fail, and the
# error must name the hook and the shape it needs. The last case, with the documented shapes,
# must compile.
#   tests/hook_shapes_test.sh <source dir> <c++ compiler>
set -euo pipefail
source_dir=$1
cxx=${2:-c++}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

key_part='
#include <optional>
#include <utility>
#include "kavrit/test/aes.hpp"
#include "kavrit/test/hmac.hpp"
using kavrit::ByteString;
using kavrit::IV;
using kavrit::LazyByteString;
using kavrit::MacKey;
struct Key {
  static long blockSize() { return 128; }
  static long keyLength() { return 128; }
  static std::optional<Key> buildKey(const ByteString&) { return Key{}; }
  ByteString encryptBlock(const ByteString& in) const { return in; }
  ByteString decryptBlock(const ByteString& in) const { return in; }
'
digest_part='
};
struct Digest {
  static long outputLength() { return 256; }
  static long blockLength() { return 512; }
  static Digest hash(const LazyByteString&) { return {}; }
  static Digest hashStrict(const ByteString&) { return {}; }
  ByteString serialize() const { return ByteString(32); }
  static std::optional<Digest> parse(const ByteString&) { return Digest{}; }
  friend bool operator==(const Digest&, const Digest&) = default;
'
main_part='
};
int main() {
  (void)kavrit::test::makeAESTests<Key>();
  (void)kavrit::test::makeSHA256HMACTests<Digest>();
}
'

failures=0
# compile <name> <expect: fails|compiles> <expected text> <key hook> <digest hook>
compile() {
  local name=$1 expect=$2 text=$3 hook=$4 digestHook=$5
  local file="$work/$name.cpp"
  printf '%s  %s%s  %s%s\n' "$key_part" "$hook" "$digest_part" "$digestHook" "$main_part" >"$file"
  if out=$("$cxx" -std=c++20 -fsyntax-only -I"$source_dir/include" "$file" 2>&1); then
    if [ "$expect" = fails ]; then
      echo "FAIL $name: compiled, but the misshapen hook must be an error"
      failures=$((failures + 1))
    fi
  else
    if [ "$expect" = compiles ]; then
      echo "FAIL $name: did not compile:"
      echo "$out" | head -20
      failures=$((failures + 1))
    elif ! grep -qF -- "$text" <<<"$out"; then
      echo "FAIL $name: the error does not say: $text"
      echo "$out" | grep -m5 error
      failures=$((failures + 1))
    fi
  fi
}

compile cbc_not_const fails 'member named `cbc`' \
  'std::pair<ByteString, IV<Key>> cbc(const IV<Key>& iv, const ByteString& in) { return {in, iv}; }' ''
compile ctr_pair_of_bytes fails 'std::pair<ByteString, IV<K>> ctr(const IV<K>&, const ByteString&) const' \
  'std::pair<ByteString, ByteString> ctr(const IV<Key>& iv, const ByteString& in) const { return {in, iv.bytes()}; }' ''
compile ecbLazy_strict_argument fails 'member named `ecbLazy`' \
  'LazyByteString ecbLazy(const ByteString& in) const { return LazyByteString({in}); }' ''
compile hmac_byte_key fails 'static D hmac(const kavrit::MacKey<D>&, const kavrit::LazyByteString&)' \
  '' 'static Digest hmac(const ByteString&, const LazyByteString&) { return {}; }'
compile hmacStrict_not_static fails 'member named `hmacStrict`' \
  '' 'Digest hmacStrict(const MacKey<Digest>&, const ByteString&) const { return {}; }'
compile hkdfExpand_returns_int fails 'static kavrit::ByteString hkdfExpand(const kavrit::ByteString& prk' \
  '' 'static int hkdfExpand(const ByteString&, const ByteString&, std::size_t) { return 0; }'
compile hkdf_without_info fails 'member named `hkdf`' \
  '' 'static ByteString hkdf(const ByteString&, const ByteString&, std::size_t) { return {}; }'
compile pbkdf2_not_static fails 'member named `pbkdf2`' \
  '' 'ByteString pbkdf2(const ByteString&, const ByteString&, std::uint64_t, std::size_t) const { return {}; }'
compile cmac_lazy_result fails 'ByteString cmac(const ByteString&) const' \
  'LazyByteString cmac(const ByteString& in) const { return LazyByteString({in}); }' ''
compile keyUnwrap_without_optional fails 'std::optional<ByteString> keyUnwrap(const ByteString&) const' \
  'ByteString keyUnwrap(const ByteString& in) const { return in; }' ''
compile keyWrapPad_not_const fails 'member named `keyWrapPad`' \
  'ByteString keyWrapPad(const ByteString& in) { return in; }' ''
compile xtsEncrypt_without_tweak_key fails 'ByteString xtsEncrypt(const K& tweakKey, const ByteString& tweak, const ByteString& data) const' \
  'ByteString xtsEncrypt(const ByteString& tweak, const ByteString& in) const { return tweak.empty() ? in : in; }' ''
compile xtsDecrypt_not_const fails 'member named `xtsDecrypt`' \
  'ByteString xtsDecrypt(const Key&, const ByteString&, const ByteString& in) { return in; }' ''
compile documented_xts_shapes compiles '' \
  'ByteString xtsEncrypt(const Key&, const ByteString&, const ByteString& in) const { return in; } ByteString xtsDecrypt(const Key&, const ByteString&, const ByteString& in) const { return in; }' ''
compile gcmDecrypt_without_optional fails 'std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad, const ByteString& ciphertext, const ByteString& tag) const' \
  'ByteString gcmDecrypt(const ByteString&, const ByteString&, const ByteString& c, const ByteString&) const { return c; }' ''
compile gcmEncryptLazy_strict_text fails 'member named `gcmEncryptLazy`' \
  'kavrit::AeadSealed gcmEncryptLazy(const ByteString&, const ByteString&, const ByteString&, std::size_t) const { return {}; }' ''
compile documented_gcm_shapes compiles '' \
  'kavrit::AeadSealed gcmEncrypt(const ByteString&, const ByteString&, const ByteString& p, std::size_t) const { return {p, ByteString(16)}; } std::optional<ByteString> gcmDecryptLazy(const ByteString&, const LazyByteString&, const LazyByteString& c, const ByteString&) const { return c.flatten(); }' ''
compile cbcPad_iv_as_bytes fails 'ByteString cbcPad(const IV<K>&, const ByteString&) const' \
  'ByteString cbcPad(const ByteString&, const ByteString& in) const { return in; }' ''
compile unCbcPad_without_optional fails 'std::optional<ByteString> unCbcPad(const IV<K>&, const ByteString&) const' \
  'ByteString unCbcPad(const IV<Key>&, const ByteString& in) const { return in; }' ''
compile cbcPadLazy_not_const fails 'member named `cbcPadLazy`' \
  'ByteString cbcPadLazy(const IV<Key>&, const LazyByteString& in) { return in.flatten(); }' ''
compile unCbcPadLazy_strict_argument fails 'std::optional<ByteString> unCbcPadLazy(const IV<K>&, const LazyByteString&) const' \
  'std::optional<ByteString> unCbcPadLazy(const IV<Key>&, const ByteString& in) const { return in; }' ''
compile documented_cbc_pad_shapes compiles '' \
  'ByteString cbcPad(const IV<Key>&, const ByteString& in) const { return in; } std::optional<ByteString> unCbcPad(const IV<Key>&, const ByteString& in) const { return in; } ByteString cbcPadLazy(const IV<Key>&, const LazyByteString& in) const { return in.flatten(); } std::optional<ByteString> unCbcPadLazy(const IV<Key>&, const LazyByteString& in) const { return in.flatten(); }' ''
compile documented_construction_shapes compiles '' \
  'ByteString cmacLazy(const LazyByteString& in) const { return in.flatten(); } std::optional<ByteString> keyUnwrapPad(const ByteString& in) const { return in; }' ''
compile acceptsKeyLength_not_static fails 'it must be `static bool acceptsKeyLength(long bits)`' \
  'bool acceptsKeyLength(long bits) const { return bits == 128; }' ''
compile acceptsKeyLength_takes_bytes fails 'member named `acceptsKeyLength`' \
  'static bool acceptsKeyLength(const ByteString& key) { return key.size() == 16; }' ''
compile documented_acceptsKeyLength compiles '' \
  'static constexpr bool acceptsKeyLength(long bits) { return bits >= 128 && bits <= 256; }' ''
compile documented_shapes compiles '' \
  'std::pair<LazyByteString, IV<Key>> ctrLazy(const IV<Key>& iv, const LazyByteString& in) const { return {in, iv}; }' \
  'static Digest hmac(const MacKey<Digest>&, const LazyByteString&) { return {}; }
  static ByteString hkdfExtract(const ByteString&, const ByteString&) { return {}; }
  static ByteString pbkdf2(const ByteString&, const ByteString&, std::uint64_t, std::size_t) { return {}; }'

# XTS is for 128-bit blocks: a key type whose block size is a constant of 64 bits does not compile
# with xtsEncrypt or makeXTSTests.
for call in 'kavrit::xtsEncrypt(key, key, ByteString(16), ByteString(16))' \
  'kavrit::test::makeXTSTests<Narrow>()'; do
  printf '%s\n' '#include <optional>
#include "kavrit/test/xts.hpp"
using kavrit::ByteString;
struct Narrow {
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }
  static std::optional<Narrow> buildKey(const ByteString&) { return Narrow{}; }
  ByteString encryptBlock(const ByteString& in) const { return in; }
  ByteString decryptBlock(const ByteString& in) const { return in; }
};
int main() {
  const Narrow key;
  (void)key;' "  (void)$call;" '}' >"$work/narrow.cpp"
  if out=$("$cxx" -std=c++20 -fsyntax-only -I"$source_dir/include" "$work/narrow.cpp" 2>&1); then
    echo "FAIL narrow_block: $call compiled for a 64-bit block"
    failures=$((failures + 1))
  elif ! grep -qF 'XTS is defined for 128-bit blocks only' <<<"$out"; then
    echo "FAIL narrow_block: the error for $call does not name the block size"
    echo "$out" | grep -m5 error
    failures=$((failures + 1))
  fi
done

[ "$failures" -eq 0 ] || exit 1
echo "hook shapes: every misshapen hook is a compile error naming it"
