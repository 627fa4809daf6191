// Writes the known-answer files of data/Test/KAT_AES_CTR_EDGES (AES-CTR across the carry edges of
// the 128-bit counter) and data/Test/KAT_HASH_EDGES (MD5, SHA-1, SHA-2, RIPEMD-160 and SM3 digests
// and HMACs at every message length around the padding edges), computed with OpenSSL.
//
//   kavrit-generate-edge-vectors [DIR]           write the files into DIR/KAT_AES_CTR_EDGES and
//                                                DIR/KAT_HASH_EDGES, removing any other file there
//   kavrit-generate-edge-vectors --check [DIR]   compare those folders with what would be written
//
// DIR defaults to the source tree's data/Test. The output depends on nothing but this program:
// keys, IVs, plaintexts and messages follow the fixed rules written below and in each file's
// header. Every value OpenSSL gives is checked against Nettle (and every CTR output also against
// AES-ECB of the counter blocks this program counts itself) before anything is written or
// compared; a disagreement stops the program.

#include <nettle/ctr.h>
#include <nettle/hmac.h>
#include <nettle/nettle-meta.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "generator_files.hpp"

#ifndef KAVRIT_EDGE_VECTOR_DIR
#error "KAVRIT_EDGE_VECTOR_DIR must name the default output directory (data/Test)"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlock = 16;
constexpr int kKeySizes[] = {128, 192, 256};
// The counter starts this many blocks below each edge.
constexpr int kBelowEdge = 3;
constexpr int kEdges[] = {8, 32, 64, 96, 128};
constexpr int kMaxPowerOfTwo = 20;

constexpr std::string_view kCtrFolder = "KAT_AES_CTR_EDGES";
constexpr std::string_view kHashFolder = "KAT_HASH_EDGES";

// Thrown when OpenSSL and Nettle (or a published value) disagree.
class Disagreement : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

void agree(const std::string& what, const Bytes& openssl, const Bytes& other,
           std::string_view otherName) {
  if (openssl == other) return;
  throw Disagreement(what + ": OpenSSL gives " + hex(openssl) + ", " + std::string(otherName) +
                     " gives " + hex(other));
}

// Scratch memory for a Nettle context, suitably aligned.
class Context {
 public:
  explicit Context(std::size_t bytes)
      : words_((bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t) + 1) {}
  void* get() { return words_.data(); }
  [[nodiscard]] const void* get() const { return words_.data(); }

 private:
  std::vector<std::max_align_t> words_;
};

// ---- AES-CTR at the carry edges ----

const EVP_CIPHER* opensslCtr(int keyBits) {
  if (keyBits == 128) return EVP_aes_128_ctr();
  if (keyBits == 192) return EVP_aes_192_ctr();
  return EVP_aes_256_ctr();
}

const nettle_cipher& nettleAes(int keyBits) {
  if (keyBits == 128) return nettle_aes128;
  if (keyBits == 192) return nettle_aes192;
  return nettle_aes256;
}

Bytes opensslCtrCrypt(int keyBits, const Bytes& key, const Bytes& iv, const Bytes& in,
                      bool encrypt) {
  const std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                       EVP_CIPHER_CTX_free);
  Bytes out(in.size() + kBlock);
  int written = 0;
  int last = 0;
  if (!ctx ||
      EVP_CipherInit_ex(ctx.get(), opensslCtr(keyBits), nullptr, key.data(), iv.data(),
                        encrypt ? 1 : 0) != 1 ||
      EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(), static_cast<int>(in.size())) !=
          1 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + written, &last) != 1) {
    throw std::runtime_error("OpenSSL: AES-CTR failed");
  }
  out.resize(static_cast<std::size_t>(written + last));
  return out;
}

Bytes nettleCtrCrypt(int keyBits, const Bytes& key, Bytes counter, const Bytes& in) {
  const nettle_cipher& meta = nettleAes(keyBits);
  Context ctx(meta.context_size);
  meta.set_encrypt_key(ctx.get(), key.data());
  Bytes out(in.size());
  ctr_crypt(ctx.get(), meta.encrypt, kBlock, counter.data(), in.size(), out.data(), in.data());
  return out;
}

// The counter blocks counted here, one big-endian 128-bit number that wraps to zero, each
// encrypted with Nettle's AES and added to the input.
Bytes countedCtrCrypt(int keyBits, const Bytes& key, Bytes counter, const Bytes& in) {
  const nettle_cipher& meta = nettleAes(keyBits);
  Context ctx(meta.context_size);
  meta.set_encrypt_key(ctx.get(), key.data());
  Bytes out(in.size());
  Bytes pad(kBlock);
  for (std::size_t at = 0; at < in.size(); at += kBlock) {
    meta.encrypt(ctx.get(), kBlock, pad.data(), counter.data());
    for (std::size_t i = 0; i < kBlock && at + i < in.size(); ++i)
      out[at + i] = in[at + i] ^ pad[i];
    for (std::size_t i = kBlock; i-- > 0;) {
      if (++counter[i] != 0) break;
    }
  }
  return out;
}

// The initial counter block 3 below 2^edgeBits. Its bytes above the edge are zero, or with
// `prefixed` f0 f1 f2 ... (none of them ff, so the carry stops in the first of them).
Bytes counterBelowEdge(int edgeBits, bool prefixed) {
  const std::size_t lowBytes = static_cast<std::size_t>(edgeBits / 8);
  Bytes counter(kBlock, 0);
  for (std::size_t i = 0; i < kBlock - lowBytes; ++i) {
    counter[i] = prefixed ? static_cast<std::uint8_t>(0xF0 + i) : 0;
  }
  for (std::size_t i = kBlock - lowBytes; i < kBlock; ++i) counter[i] = 0xFF;
  counter[kBlock - 1] = static_cast<std::uint8_t>(0x100 - kBelowEdge);
  return counter;
}

struct CtrRecord {
  int count;
  Bytes key;
  Bytes iv;
  Bytes plaintext;
  Bytes ciphertext;
};

std::vector<CtrRecord> ctrRecords(int keyBits) {
  std::vector<CtrRecord> records;
  const std::size_t keyBytes = static_cast<std::size_t>(keyBits / 8);
  for (const int edge : kEdges) {
    for (const bool prefixed : {false, true}) {
      if (prefixed && edge == 128) continue;  // no bytes above the last edge
      CtrRecord r{static_cast<int>(records.size()),
                  Bytes(keyBytes),
                  counterBelowEdge(edge, prefixed),
                  {},
                  {}};
      const auto c = static_cast<unsigned>(r.count);
      for (std::size_t i = 0; i < keyBytes; ++i) {
        r.key[i] = static_cast<std::uint8_t>(17 * i + 3 * c + keyBytes);
      }
      r.plaintext.resize((6 + c % 3) * kBlock);
      for (std::size_t j = 0; j < r.plaintext.size(); ++j) {
        r.plaintext[j] = static_cast<std::uint8_t>(7 * j + 13 * c + 1);
      }
      r.ciphertext = opensslCtrCrypt(keyBits, r.key, r.iv, r.plaintext, true);
      const std::string what = "AES-" + std::to_string(keyBits) + " CTR, IV " + hex(r.iv);
      agree(what, r.ciphertext, nettleCtrCrypt(keyBits, r.key, r.iv, r.plaintext), "Nettle");
      agree(what, r.ciphertext, countedCtrCrypt(keyBits, r.key, r.iv, r.plaintext),
            "Nettle AES over the counted blocks");
      agree(what + ", decrypted", opensslCtrCrypt(keyBits, r.key, r.iv, r.ciphertext, false),
            r.plaintext, "the plaintext");
      records.push_back(std::move(r));
    }
  }
  return records;
}

std::string ctrHeader(int keyBits) {
  const std::string k = std::to_string(keyBits);
  return "# AES-" + k +
         " CTR known answers across the carry edges of the counter.\n"
         "# Written by tools/generate_edge_vectors.cpp with OpenSSL (EVP aes-" +
         k +
         "-ctr); every\n"
         "# ciphertext is checked against Nettle's ctr_crypt and against Nettle's AES over\n"
         "# counter blocks counted independently. Do not edit by hand: re-run the program.\n"
         "# IV is the initial counter block: one big-endian 128-bit number, plus one per block,\n"
         "# modulo 2^128. Each IV is 3 blocks below an edge 2^8, 2^32, 2^64, 2^96 or 2^128 (in\n"
         "# that order), first with zero bytes above the edge, then (not for 2^128) with the\n"
         "# bytes above it f0 f1 f2 ...; at 2^128 the counter wraps to zero.\n"
         "# KEY byte i = (17*i + 3*COUNT + " +
         std::to_string(keyBits / 8) +
         ") mod 256. PLAINTEXT has 6 + (COUNT mod 3) blocks,\n"
         "# byte j = (7*j + 13*COUNT + 1) mod 256.\n";
}

// The NIST AES layout: header, then [ENCRYPT] (or [DECRYPT]) and records COUNT, KEY, IV and the
// two texts, the input first.
std::string renderCtr(int keyBits, const std::vector<CtrRecord>& records, bool encrypt) {
  std::ostringstream out;
  out << ctrHeader(keyBits);
  if (!encrypt)
    out << "# [DECRYPT] holds the [ENCRYPT] records with CIPHERTEXT before PLAINTEXT.\n";
  out << "\n" << (encrypt ? "[ENCRYPT]" : "[DECRYPT]") << "\n";
  for (const CtrRecord& r : records) {
    out << "\nCOUNT = " << r.count << "\nKEY = " << hex(r.key) << "\nIV = " << hex(r.iv) << "\n";
    if (encrypt) {
      out << "PLAINTEXT = " << hex(r.plaintext) << "\nCIPHERTEXT = " << hex(r.ciphertext) << "\n";
    } else {
      out << "CIPHERTEXT = " << hex(r.ciphertext) << "\nPLAINTEXT = " << hex(r.plaintext) << "\n";
    }
  }
  return out.str();
}

// ---- Hashes and HMAC at the padding edges ----

struct HashAlgorithm {
  std::string_view name;   // of the file: <name>Edges.rsp
  std::string_view title;  // in its header
  const EVP_MD* (*openssl)();
  const nettle_hash* nettle;
  std::size_t blockBytes;
  std::string_view emptyDigest;  // the published digest of the empty message
};

const HashAlgorithm kHashes[] = {
    {"MD5", "MD5", EVP_md5, &nettle_md5, 64, "d41d8cd98f00b204e9800998ecf8427e"},
    {"SHA1", "SHA-1", EVP_sha1, &nettle_sha1, 64, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"SHA224", "SHA-224", EVP_sha224, &nettle_sha224, 64,
     "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f"},
    {"SHA256", "SHA-256", EVP_sha256, &nettle_sha256, 64,
     "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"SHA384", "SHA-384", EVP_sha384, &nettle_sha384, 128,
     "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f1"
     "4898b95b"},
    {"SHA512", "SHA-512", EVP_sha512, &nettle_sha512, 128,
     "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2"
     "877eec2f63b931bd47417a81a538327af927da3e"},
    {"RIPEMD160", "RIPEMD-160", EVP_ripemd160, &nettle_ripemd160, 64,
     "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
    {"SM3", "SM3", EVP_sm3, &nettle_sm3, 64,
     "1ab21d8355cfa17f8e61194831e81a8f22bec8c728fefb747ed035eb5082aa2b"},
};

// Every length from 0 to 3B+1 bytes, then 2^k-1, 2^k, 2^k+1 for k up to 20, each once, ascending.
std::set<std::size_t> messageLengths(std::size_t blockBytes) {
  std::set<std::size_t> lengths;
  for (std::size_t n = 0; n <= 3 * blockBytes + 1; ++n) lengths.insert(n);
  for (int k = 0; k <= kMaxPowerOfTwo; ++k) {
    const std::size_t p = std::size_t{1} << k;
    lengths.insert({p - 1, p, p + 1});
  }
  return lengths;
}

// The message of n bytes: byte i is (31*i + n) mod 256.
Bytes message(std::size_t n) {
  Bytes m(n);
  for (std::size_t i = 0; i < n; ++i) m[i] = static_cast<std::uint8_t>(31 * i + n);
  return m;
}

// The HMAC key of B bytes: byte i is (5*i + 128) mod 256.
Bytes macKey(std::size_t blockBytes) {
  Bytes key(blockBytes);
  for (std::size_t i = 0; i < blockBytes; ++i) key[i] = static_cast<std::uint8_t>(5 * i + 128);
  return key;
}

Bytes opensslDigest(const HashAlgorithm& h, const Bytes& m) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (EVP_Digest(m.data(), m.size(), out.data(), &length, h.openssl(), nullptr) != 1) {
    throw std::runtime_error("OpenSSL: digest failed");
  }
  out.resize(length);
  return out;
}

Bytes opensslHmac(const HashAlgorithm& h, const Bytes& key, const Bytes& m) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (HMAC(h.openssl(), key.data(), static_cast<int>(key.size()), m.data(), m.size(), out.data(),
           &length) == nullptr) {
    throw std::runtime_error("OpenSSL: HMAC failed");
  }
  out.resize(length);
  return out;
}

Bytes nettleDigest(const HashAlgorithm& h, const Bytes& m) {
  Context ctx(h.nettle->context_size);
  h.nettle->init(ctx.get());
  h.nettle->update(ctx.get(), m.size(), m.data());
  Bytes out(h.nettle->digest_size);
  h.nettle->digest(ctx.get(), out.size(), out.data());
  return out;
}

Bytes nettleHmac(const HashAlgorithm& h, const Bytes& key, const Bytes& m) {
  Context outer(h.nettle->context_size);
  Context inner(h.nettle->context_size);
  Context state(h.nettle->context_size);
  hmac_set_key(outer.get(), inner.get(), state.get(), h.nettle, key.size(), key.data());
  hmac_update(state.get(), h.nettle, m.size(), m.data());
  Bytes out(h.nettle->digest_size);
  hmac_digest(outer.get(), inner.get(), state.get(), h.nettle, out.size(), out.data());
  return out;
}

std::string renderHash(const HashAlgorithm& h) {
  const Bytes key = macKey(h.blockBytes);
  const std::string b = std::to_string(h.blockBytes);
  std::ostringstream out;
  out << "# " << h.title << " and HMAC-" << h.title
      << " known answers at the padding edges (block length B = " << b
      << " bytes).\n"
         "# Written by tools/generate_edge_vectors.cpp with OpenSSL; every MD and Mac is checked\n"
         "# against Nettle. Do not edit by hand: re-run the program.\n"
         "# Messages are not stored. Len is the message length in bits; the message of n = Len/8\n"
         "# bytes has byte i (from 0) equal to (31*i + n) mod 256.\n"
         "# Lengths: every n from 0 to 3*B+1 = "
      << 3 * h.blockBytes + 1
      << ", then 2^k-1, 2^k and 2^k+1 for k up to 20, each once,\n"
         "# in increasing order.\n"
         "# MD is the digest of the message. Mac is the HMAC of the message under the key of the\n"
         "# [Key = ...] head line: B bytes, byte i = (5*i + 128) mod 256. [L = ...] is the digest\n"
         "# length in bytes.\n"
         "\n[L = "
      << h.nettle->digest_size << "]\n[Key = " << hex(key) << "]\n";
  for (const std::size_t n : messageLengths(h.blockBytes)) {
    const Bytes m = message(n);
    const Bytes md = opensslDigest(h, m);
    const Bytes mac = opensslHmac(h, key, m);
    const std::string what = std::string(h.title) + " of " + std::to_string(n) + " bytes";
    agree(what, md, nettleDigest(h, m), "Nettle");
    agree("HMAC-" + what, mac, nettleHmac(h, key, m), "Nettle");
    if (n == 0 && hex(md) != h.emptyDigest) {
      throw Disagreement(what + ": " + hex(md) + " is not the published " +
                         std::string(h.emptyDigest));
    }
    out << "\nLen = " << 8 * n << "\nMD = " << hex(md) << "\nMac = " << hex(mac) << "\n";
  }
  return out.str();
}

// SP 800-38A F.5.1, first block: OpenSSL's CTR is the one the files are made with.
void checkPublishedCtr() {
  const Bytes key = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                     0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
  Bytes iv(kBlock);
  for (std::size_t i = 0; i < kBlock; ++i) iv[i] = static_cast<std::uint8_t>(0xF0 + i);
  const Bytes pt = {0x6b, 0xc1, 0xbe, 0xe2, 0x2e, 0x40, 0x9f, 0x96,
                    0xe9, 0x3d, 0x7e, 0x11, 0x73, 0x93, 0x17, 0x2a};
  const std::string ct = hex(opensslCtrCrypt(128, key, iv, pt, true));
  if (ct != "874d6191b620e3261bef6864990db6ce") {
    throw Disagreement("AES-128 CTR of the first SP 800-38A block: " + ct +
                       " is not the published 874d6191b620e3261bef6864990db6ce");
  }
}

using Files = std::map<std::filesystem::path, std::string>;  // relative to DIR

Files allFiles() {
  checkPublishedCtr();
  Files files;
  for (const int bits : kKeySizes) {
    const std::vector<CtrRecord> records = ctrRecords(bits);
    const std::string stem = "CTREdges-" + std::to_string(bits);
    files[std::filesystem::path(kCtrFolder) / (stem + "e.rsp")] = renderCtr(bits, records, true);
    files[std::filesystem::path(kCtrFolder) / (stem + "d.rsp")] = renderCtr(bits, records, false);
  }
  for (const HashAlgorithm& h : kHashes) {
    files[std::filesystem::path(kHashFolder) / (std::string(h.name) + "Edges.rsp")] = renderHash(h);
  }
  return files;
}

// Files in the two output folders that the program does not write.
std::vector<std::filesystem::path> strayFiles(const std::filesystem::path& dir,
                                              const Files& files) {
  std::vector<std::filesystem::path> stray;
  for (const std::string_view folder : {kCtrFolder, kHashFolder}) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir / folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::filesystem::path relative = std::filesystem::path(folder) / it->path().filename();
      if (!files.contains(relative)) stray.push_back(dir / relative);
    }
  }
  return stray;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<kavrit::tools::GeneratorArgs> args =
      kavrit::tools::readGeneratorArgs(argc, argv, KAVRIT_EDGE_VECTOR_DIR);
  if (!args) return 2;
  const bool check = args->check;
  const std::filesystem::path& dir = args->dir;

  Files files;
  try {
    files = allFiles();
  } catch (const std::exception& error) {
    std::cerr << "generate_edge_vectors: " << error.what() << "\nnothing written\n";
    return 1;
  }

  if (check) {
    int stale = 0;
    for (const auto& [relative, text] : files) {
      if (!kavrit::tools::writeOrCheck(dir / relative, text, true)) ++stale;
    }
    for (const std::filesystem::path& path : strayFiles(dir, files)) {
      std::cerr << path.string() << " is not written by the generator\n";
      ++stale;
    }
    if (stale != 0) {
      std::cerr << stale << " file(s) out of date; re-run the generator (see tools/README.md)\n";
      return 1;
    }
    std::cout << files.size() << " edge vector files up to date in " << dir.string() << "\n";
    return 0;
  }

  for (const std::filesystem::path& path : strayFiles(dir, files)) {
    std::filesystem::remove(path);
    std::cout << "removed " << path.string() << "\n";
  }
  for (const auto& [relative, text] : files) {
    const std::filesystem::path path = dir / relative;
    if (!kavrit::tools::writeOrCheck(path, text, false)) return 1;
    std::cout << path.string() << ": " << text.size() << " bytes\n";
  }
  return 0;
}
