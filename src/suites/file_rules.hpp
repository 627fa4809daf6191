#pragma once

// The rules by which the suites read vector file names: which files of a family directory a
// builder takes and what each of them holds, and the field that starts a record in each family.
// The builders' headers say the same rules in words; users have no use for these functions.

#include <optional>
#include <string>
#include <string_view>

#include "kavrit/test/any_block_cipher.hpp"

namespace kavrit::test {

/// The operation that a vector file checks.
enum class AESMode {
  ECBEncrypt,
  ECBDecrypt,
  CBCEncrypt,
  CBCDecrypt,
  CFBEncrypt,
  CFBDecrypt,
  OFBEncrypt,
  OFBDecrypt,
};

/// The mode key of a vector file name: its first three characters (the whole name when shorter)
/// followed by the last character of its stem, the name without its last extension
/// ("CBCMMT128e.rsp" gives "CBCe", "ECBe.old.txt" gives "ECBd"). Nothing when the stem is empty.
std::optional<std::string> aesModeKey(std::string_view fileName);

/// The operation a vector file name selects: its mode key is one of ECBe, ECBd, CBCe, CBCd, CFBe,
/// CFBd, OFBe and OFBd. A CFB key only counts for a name containing "CFB128" (full-block
/// feedback); nothing for any other name.
std::optional<AESMode> aesModeOf(std::string_view fileName);

/// Whether the mode reads an IV from each record.
bool aesModeUsesIV(AESMode mode);
/// Whether the mode maps PLAINTEXT to CIPHERTEXT (otherwise CIPHERTEXT to PLAINTEXT).
bool aesModeEncrypts(AESMode mode);
/// A short name of the operation for failure reports, such as "cbc" or "decryptBlock".
std::string_view aesModeOperation(AESMode mode);

/// The operation a Triple-DES vector file name selects: a name starting with "TECB", "TCBC",
/// "TCFB64" or "TOFB" (but not the interleaved "TCBCI" and "TOFBI"), in the direction of the last
/// character of its stem, 'e' or 'd' ("TCBCMMT2e.rsp" gives CBCEncrypt). Nothing for any other
/// name, so the 1-, 8-bit and pipelined CFB files give nothing either.
std::optional<AESMode> tdesModeOf(std::string_view fileName);

/// What a Twofish vector file holds, named after its base name.
enum class TwofishKind {
  /// ECB_VK: variable key; the plaintext is the category's PT head line.
  VariableKey,
  /// ECB_VT: variable text; the key is the category's KEY head line.
  VariableText,
  /// ECB_TLB: a chain of single-block encryptions.
  Table,
  /// ECB_E_M, ECB_D_M: ECB over several blocks.
  ECBEncrypt,
  ECBDecrypt,
  /// CBC_E_M, CBC_D_M: CBC over several blocks, with an IV.
  CBCEncrypt,
  CBCDecrypt,
};

/// The kind of a vector file from its base name (the name without its last extension, or the
/// whole name when it has no '.'), matched exactly: "ECB_VK.TXT" is VariableKey, "ecb_vk.txt" and
/// "ECB_VK.a.b" are nothing.
std::optional<TwofishKind> twofishKindOf(std::string_view fileName);

/// What a GCM vector file's name says: "gcmEncryptExtIV128.rsp" holds encryption records,
/// "gcmDecrypt256.rsp" decryption records; the digits are the key size in bits.
struct GCMFile {
  bool decrypts = false;
  long keyBits = 0;
};

/// The rule of a file name; nothing for a name of another form.
std::optional<GCMFile> gcmFileOf(std::string_view fileName);

/// What a CCM vector file's name says: "VADT128.rsp" (varying AAD length), "VNT" (nonce length),
/// "VPT" (payload length) and "VTT" (tag length) hold encryption records, "DVPT" decryption
/// records, some of which must be refused; the digits are the key size in bits.
struct CCMFile {
  bool decrypts = false;
  long keyBits = 0;
};

/// The rule of a file name; nothing for a name of another form.
std::optional<CCMFile> ccmFileOf(std::string_view fileName);

/// What a key-wrap vector file's name says: "KW_AE_128.txt" holds KW wrapping records,
/// "KWP_AD_256_inv.txt" KWP unwrapping records over the inverse cipher. The name is
/// `KW` or `KWP`, `_AE` or `_AD`, `_` and the key size, optionally `_inv`, then `.txt`.
struct KeyWrapFile {
  KeyWrapKind kind = KeyWrapKind::KW;
  bool unwraps = false;
  bool inverse = false;
};

/// The rule of a file name; nothing for a name of another form.
std::optional<KeyWrapFile> keyWrapFileOf(std::string_view fileName);

/// The field that starts a record in the files of a family directory ("Test/KAT_AES" reads
/// "COUNT"), as its suite reads them; nothing for a directory no suite reads.
std::optional<std::string_view> recordKeyOf(std::string_view directory);

namespace detail::sha {

/// The algorithm token at the front of a vector file's name: "SHA", then digits, then any
/// "_digits" groups ("SHA1", "SHA256", "SHA512_224", "SHA3_256"); empty when the name does not
/// start that way.
std::string_view algorithmToken(std::string_view fileName);

/// Whether a file of Test/KAT_SHA holds vectors of `algorithm`: its algorithm token is exactly
/// the algorithm name and the name does not go on with '_', so SHA512_224... and SHA3_256...
/// files belong to neither SHA-512 nor SHA-384, and a "SHA256..." file to SHA-256 alone.
bool isFileOf(std::string_view algorithm, std::string_view fileName);

}  // namespace detail::sha

}  // namespace kavrit::test
