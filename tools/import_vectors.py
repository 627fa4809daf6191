#!/usr/bin/env python3
"""Bring the NIST known-answer vector files used by the tests into data/Test.

AES, AES-CTR (RFC 3686), SHA, SHA Monte Carlo, SHA-3, SHA-3 Monte Carlo, BLAKE2b-512,
BLAKE2s-256, RIPEMD-160, SM3, ChaCha20, Poly1305, ChaCha20-Poly1305, RC4, Camellia
CBC/CFB/OFB, CMAC, key wrap and GCM (selections), CCM, Triple-DES (ECB, CBC, CFB64,
OFB), Camellia ECB (rewritten in NIST form), XTS, SM4, SEED, IDEA and SHAKE files come from
Debian's python3-cryptography-vectors package; the HMAC file and the SP 800-38A
CTR examples from the shared vectors folder (the HMAC checksum is verified);
Project Wycheproof's JSON files, unchanged, with their licence, from the shared
wycheproof folder.
Then data/MANIFEST is rewritten: one line per vector file under the data folder
with its provenance, record count, size and SHA-256 (the files that
tools/generate_twofish_vectors.cpp and tools/generate_edge_vectors.cpp write
included). Running the script again
produces the same files; files it no longer produces are removed from the
output folders.

    tools/import_vectors.py [--source DIR] [--hmac FILE] [--ctr FILE] [--wycheproof DIR] [--output DIR]
"""

import argparse
import hashlib
import json
import re
import subprocess
import sys
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parent.parent
DEFAULT_SOURCE = Path("/usr/lib/python3/dist-packages/cryptography_vectors")
# The shared vectors folder sits beside the repository checkout.
DEFAULT_HMAC = REPO_ROOT.parent / "shared" / "vectors" / "HMAC.rsp"
if not DEFAULT_HMAC.is_file():
    DEFAULT_HMAC = Path("/work/shared/vectors/HMAC.rsp")
DEFAULT_CTR = DEFAULT_HMAC.with_name("CTR-SP800-38A.rsp")
DEFAULT_WYCHEPROOF = REPO_ROOT.parent / "shared" / "wycheproof"
if not DEFAULT_WYCHEPROOF.is_dir():
    DEFAULT_WYCHEPROOF = Path("/work/shared/wycheproof")
DEFAULT_OUTPUT = REPO_ROOT / "data" / "Test"

# Folder and file prefix of each AES mode we ship. CFB1 and CFB8 are left out.
AES_MODES = [("ECB", "ECB"), ("CBC", "CBC"), ("CFB", "CFB128"), ("OFB", "OFB")]
AES_KINDS = ["GFSbox", "KeySbox", "VarKey", "VarTxt", "MMT"]
AES_KEY_SIZES = ["128", "192", "256"]
AES_RECORDS_PER_MODE = 2138

SHA_FILES = [
    ("SHA1", "SHA1ShortMsg.rsp"),
    ("SHA1", "SHA1LongMsg.rsp"),
] + [
    ("SHA2", f"SHA{bits}{kind}Msg.rsp")
    for bits in (224, 256, 384, 512, "512_224", "512_256")
    for kind in ("Short", "Long")
]

HMAC_RECORDS = 1575

# The RFC 3686 files hold [ENCRYPT] only; the decrypt files are made from the same records.
CTR_KEY_SIZES = ["128", "192", "256"]
CTR_RFC_RECORDS_PER_FILE = 3
CTR_SP_RECORDS_PER_DIRECTION = 3

SHA_MONTE_FILES = [("SHA1", "SHA1Monte.rsp")] + [
    ("SHA2", f"SHA{bits}Monte.rsp") for bits in (224, 256, 384, 512, "512_224", "512_256")
]
SHA_MONTE_CHECKPOINTS = 100

# SHA-3 (SHA3VS): laid out like the SHA-2 files. Its Monte Carlo files chain differently (each
# message is the previous digest alone) but hold a Seed and 100 checkpoints as well.
SHA3_FILES = [
    ("SHA3", f"SHA3_{bits}{kind}Msg.rsp") for bits in (224, 256, 384, 512) for kind in ("Short", "Long")
]
SHA3_MONTE_FILES = [("SHA3", f"SHA3_{bits}Monte.rsp") for bits in (224, 256, 384, 512)]

# BLAKE2b-512, BLAKE2s-256 (the keyless files), RIPEMD-160 and SM3: the package's files are already
# Len/Msg/MD records, byte-aligned, so they are copied unchanged under the algorithm's name. Each
# entry: source (below hashes/), file written, records, digest bytes (every MD is checked to have
# that many).
OTHER_HASH_FILES = [
    ("blake2/blake2b.txt", "BLAKE2b512.rsp", 7, 64),
    ("blake2/blake2s.txt", "BLAKE2s256.rsp", 7, 32),
    ("ripemd160/ripevectors.txt", "RIPEMD160.rsp", 8, 20),
    ("SM3/oscca.txt", "SM3.rsp", 6, 32),
]

# The Camellia files of the package in NIST form: [ENCRYPT] only, four records for each key size.
# They are renamed like the AES files (mode in the first three characters, direction in the last
# character of the stem) and otherwise copied unchanged.
CAMELLIA_FILES = [
    ("camellia-cbc.txt", "CBCCamellia-e.rsp"),
    ("camellia-cfb.txt", "CFB128Camellia-e.rsp"),
    ("camellia-ofb.txt", "OFBCamellia-e.rsp"),
]
CAMELLIA_RECORDS_PER_KEY_SIZE = 4

# Blowfish (Schneier's vectors) and CAST5 (RFC 2144's ECB examples, and CBC, CFB, OFB and CTR files
# made for pyca/cryptography) in NIST form: lower-case field names are upper-cased and an [ENCRYPT]
# head line is put above the records where the file has none; the records' values and the
# comments are kept. CFB is full-block (64-bit) feedback and CTR counts over the whole 64-bit IV.
# Each entry: folder, source (below ciphers/), file written, records, key lengths in bytes allowed,
# whether the records have an IV.
VARIABLE_KEY_FILES = [
    ("BLOWFISH", "Blowfish/bf-ecb.txt", "ECBBlowfish-e.rsp", 55, range(4, 57), False),
    ("BLOWFISH", "Blowfish/bf-cbc.txt", "CBCBlowfish-e.rsp", 1, range(4, 57), True),
    ("BLOWFISH", "Blowfish/bf-cfb.txt", "CFB64Blowfish-e.rsp", 1, range(4, 57), True),
    ("BLOWFISH", "Blowfish/bf-ofb.txt", "OFBBlowfish-e.rsp", 1, range(4, 57), True),
    ("CAST5", "CAST5/cast5-ecb.txt", "ECBCAST5-e.rsp", 3, range(5, 17), False),
    ("CAST5", "CAST5/cast5-cbc.txt", "CBCCAST5-e.rsp", 20, range(5, 17), True),
    ("CAST5", "CAST5/cast5-cfb.txt", "CFB64CAST5-e.rsp", 20, range(5, 17), True),
    ("CAST5", "CAST5/cast5-ofb.txt", "OFBCAST5-e.rsp", 20, range(5, 17), True),
    ("CAST5", "CAST5/cast5-ctr.txt", "CTRCAST5-e.rsp", 3, range(5, 17), True),
]

# Not a field name: a folder of JSON files whose records are their tests, counted as the "tcId"
# keys in the text (a file without any, such as a licence, counts 0).
JSON_RECORD_KEY = b'"tcId"'

# The field that starts a record in each folder's files, as the suites read them; the manifest's
# record counts use the same rule.
RECORD_KEYS = {
    "KAT_AES": b"COUNT",
    "KAT_AES_CTR": b"COUNT",
    "KAT_SHA": b"Len",
    "KAT_SHA_MONTE": b"COUNT",
    "KAT_HMAC": b"Count",
    "KAT_TWOFISH": b"I",
    "KAT_CAMELLIA": b"COUNT",
    "KAT_AES_CTR_EDGES": b"COUNT",
    "KAT_HASH_EDGES": b"Len",
    "KAT_SHA3": b"Len",
    "KAT_SHA3_MONTE": b"COUNT",
    "KAT_HMAC_RFC": b"COUNT",
    "KAT_HASHES": b"Len",
    "KAT_HKDF": b"COUNT",
    "KAT_PBKDF2": b"COUNT",
    "KAT_CMAC": b"COUNT",
    "KAT_KEYWRAP": b"COUNT",
    "KAT_TDES": b"COUNT",
    "KAT_CAMELLIA_NIST": b"COUNT",
    "KAT_XTS": b"COUNT",
    "KAT_GCM": b"Count",
    "KAT_CCM": b"Count",
    "KAT_CHACHA20": b"COUNT",
    "KAT_POLY1305": b"COUNT",
    "KAT_CHACHA20_POLY1305": b"COUNT",
    "KAT_RC4": b"COUNT",
    "KAT_BLOWFISH": b"COUNT",
    "KAT_CAST5": b"COUNT",
    "WYCHEPROOF": b'"tcId"',
    "KAT_SM4": b"COUNT",
    "KAT_SEED": b"COUNT",
    "KAT_IDEA": b"COUNT",
    "KAT_SHAKE": b"Output",
}

# ChaCha20, Poly1305, ChaCha20-Poly1305 and RC4: the package's files in NIST form, copied
# unchanged. Each entry: folder, source (below the package), file written, records, and the fields
# every record must have (exactly these, in this order).
PRIMITIVE_FILES = [
    ("CHACHA20", "ciphers/ChaCha20/rfc7539.txt", "RFC7539.rsp", 3,
     [b"COUNT", b"KEY", b"NONCE", b"INITIAL_BLOCK_COUNTER", b"PLAINTEXT", b"CIPHERTEXT"]),
    ("POLY1305", "poly1305/rfc7539.txt", "RFC7539.rsp", 11, [b"COUNT", b"KEY", b"MSG", b"TAG"]),
    ("CHACHA20_POLY1305", "ciphers/ChaCha20Poly1305/boringssl.txt", "BoringSSL.rsp", 66,
     [b"COUNT", b"KEY", b"NONCE", b"IN", b"AD", b"CT", b"TAG"]),
    ("CHACHA20_POLY1305", "ciphers/ChaCha20Poly1305/openssl.txt", "OpenSSL.rsp", 5,
     [b"COUNT", b"Key", b"IV", b"AAD", b"Tag", b"Plaintext", b"Ciphertext"]),
] + [
    ("RC4", f"ciphers/ARC4/rfc-6229-{bits}.txt", f"RFC6229-{bits}.rsp", 36,
     [b"COUNT", b"KEY", b"OFFSET", b"PLAINTEXT", b"CIPHERTEXT"])
    for bits in (40, 56, 64, 80, 128, 192, 256)
]

# CMAC (SP 800-38B): the package's four files, copied unchanged.
CMAC_FILES = {"nist-800-38b-aes128.txt": 4, "nist-800-38b-aes192.txt": 4, "nist-800-38b-aes256.txt": 4,
              "nist-800-38b-3des.txt": 8}

# Key wrap (SP 800-38F): the AES KW and KWP files, both directions, with and without the inverse
# cipher. The originals hold 100 records for each of five plaintext lengths (6.5 MB in all); we
# keep, for each plaintext length, the first KEYWRAP_KEEP_PASSING records that unwrap and the first
# KEYWRAP_KEEP_FAILING that are marked FAIL (unwrapping files only), in their original order and
# with their original COUNT.
KEYWRAP_FILES = [
    f"{kind}_{direction}_{bits}{inv}.txt"
    for kind in ("KW", "KWP") for direction in ("AE", "AD") for bits in (128, 192, 256) for inv in ("", "_inv")
]
KEYWRAP_RECORDS_PER_LENGTH = 100
KEYWRAP_FAILING_PER_LENGTH = 20
KEYWRAP_LENGTHS_PER_FILE = 5
KEYWRAP_KEEP_PASSING = 6
KEYWRAP_KEEP_FAILING = 3

# Triple-DES: the modes with 64-bit feedback (ECB, CBC, CFB64, OFB); not CFB1, CFB8, the pipelined
# CFBP* or the interleaved TCBCI*/TOFBI* files. Each file is split into its [ENCRYPT] and [DECRYPT]
# halves like the AES files ("TCBCMMT2.rsp" gives "TCBCMMT2e.rsp" and "TCBCMMT2d.rsp").
TDES_MODES = [("ECB", "TECB"), ("CBC", "TCBC"), ("CFB", "TCFB64"), ("OFB", "TOFB")]
TDES_KINDS = ["MMT1", "MMT2", "MMT3", "invperm", "permop", "subtab", "varkey", "vartext"]
TDES_RECORDS_PER_MODE = 530

# Camellia in NIST form: the CBC, CFB128 and OFB files as in KAT_CAMELLIA, and NTT's ECB files
# (their "K No." / "P No." / "C No." lines) rewritten as COUNT/KEY/PLAINTEXT/CIPHERTEXT records
# under [ENCRYPT].
CAMELLIA_ECB_FILES = [(bits, f"camellia-{bits}-ecb.txt", f"ECBCamellia{bits}-e.rsp") for bits in (128, 192, 256)]
CAMELLIA_ECB_KEYS_PER_FILE = 10
CAMELLIA_ECB_RECORDS_PER_FILE = 1280
# XTS-AES (SP 800-38E): the two files with a 128-bit tweak, copied unchanged; both hold an
# [ENCRYPT] and a [DECRYPT] section. Records whose DataUnitLen is not a whole number of bytes are
# kept in the copy; the suite leaves them out.
XTS_FILES = {"XTSGenAES128.rsp": (1000, 800), "XTSGenAES256.rsp": (1000, 600)}

# GCM (SP 800-38D): the AES encryption files with external IVs and the decryption files. Each
# holds 525 categories ([Keylen/IVlen/PTlen/AADlen/Taglen], 15 records each; 17 MB in all). We keep
# every category, and in it the first GCM_KEEP_ENCRYPTING records of an encryption file, or the
# first GCM_KEEP_PASSING records that decrypt (where there are any: some categories hold none) and
# the first GCM_KEEP_FAILING marked FAIL of a decryption file, in their original order and with
# their original Count.
GCM_FILES = [f"gcm{kind}{bits}.rsp" for kind in ("EncryptExtIV", "Decrypt") for bits in (128, 192, 256)]
GCM_CATEGORIES_PER_FILE = 525
GCM_RECORDS_PER_CATEGORY = 15
GCM_KEEP_ENCRYPTING = 2
GCM_KEEP_PASSING = 1
GCM_KEEP_FAILING = 1

# CCM (SP 800-38C): the AES files of the five tests, every record. The originals give the lengths
# (Alen, Plen, Nlen, Tlen) partly in the file header, and the Key (and in some files the Nonce) on
# lines between a category's head and its first record, where a record-based reader never sees
# them; those lines are lifted into the category's head lines (a head line listing several
# parameters is split, one per line), and the records copied unchanged.
CCM_FILES = [f"{test}{bits}.rsp" for test in ("VADT", "VNT", "VPT", "VTT", "DVPT") for bits in (128, 192, 256)]
CCM_RECORDS = {"VADT": 330, "VNT": 70, "VPT": 250, "VTT": 70, "DVPT": 240}

PUB_AES = "NIST CAVP AESAVS known-answer and MMT vectors"
PUB_SHA = "NIST CAVP SHAVS byte-oriented vectors"
PUB_SHA_MONTE = "NIST CAVP SHAVS Monte Carlo vectors"
PUB_SHA3 = "NIST CAVP SHA3VS byte-oriented vectors"
PUB_SHA3_MONTE = "NIST CAVP SHA3VS Monte Carlo vectors"
PUB_HMAC = "NIST CAVP HMACVS vectors (CAVS 11.0)"
PUB_CTR_SP = "NIST SP 800-38A appendix F.5 CTR examples"
PUB_CTR_RFC = "RFC 3686 AES-CTR test vectors"
PUB_TWOFISH = "Twofish reference values, computed with Nettle by tools/generate_twofish_vectors.cpp"
PUB_CAMELLIA = "OpenSSL's Camellia test vectors in NIST form (python3-cryptography-vectors)"
PUB_HMAC_RFC = "RFC 2202 and RFC 4231 HMAC test cases (python3-cryptography-vectors)"
PUB_HMAC_RFC2286 = "RFC 2286 HMAC-RIPEMD-160 test cases (python3-cryptography-vectors)"
PUB_OTHER_HASHES = "BLAKE2, RIPEMD-160 and SM3 digests in Len/Msg/MD form (python3-cryptography-vectors)"
PUB_PRIMITIVES = {
    "CHACHA20": "RFC 7539 ChaCha20 test vectors in NIST form (python3-cryptography-vectors)",
    "POLY1305": "RFC 7539 Poly1305 test vectors in NIST form (python3-cryptography-vectors)",
    "CHACHA20_POLY1305": "BoringSSL's and OpenSSL's ChaCha20-Poly1305 test vectors in NIST form "
                         "(python3-cryptography-vectors)",
    "RC4": "RFC 6229 RC4 keystream test vectors in NIST form (python3-cryptography-vectors)",
}
PUB_HKDF = "RFC 5869 HKDF test cases (python3-cryptography-vectors)"
PUB_PBKDF2 = "RFC 6070 PBKDF2-HMAC-SHA1 test vectors (python3-cryptography-vectors)"
PUB_CMAC = "NIST SP 800-38B CMAC examples (python3-cryptography-vectors)"
PUB_KEYWRAP = "NIST SP 800-38F key wrap sample vectors (CAVS 17.4), a selection"
PUB_TDES = "NIST CAVP TDES known-answer and MMT vectors (CAVS 11.1)"
PUB_CAMELLIA_NTT = "NTT's Camellia ECB test vectors (t_camelia.txt, python3-cryptography-vectors), in NIST form"
PUB_XTS = "NIST CAVP XTSVS vectors, XTS-AES with a 128-bit hex tweak (CAVS 11.0)"
PUB_GCM = "NIST CAVP GCMVS vectors (CAVS 14.0), a selection"
PUB_CCM = "NIST CAVP CCMVS vectors (CAVS 11.0), parameters lifted into head lines"
PUB_WYCHEPROOF = "Project Wycheproof (C2SP/wycheproof dac1dd4, testvectors_v1), Apache-2.0"
PUB_VARIABLE_KEY = {
    "BLOWFISH": "Schneier's Blowfish test vectors in NIST form (python3-cryptography-vectors)",
    "CAST5": "RFC 2144 CAST5 examples and pyca/cryptography's CAST5 mode vectors in NIST form "
             "(python3-cryptography-vectors)",
}
PUB_EDGES = "generated by tools/generate_edge_vectors (OpenSSL, checked against Nettle)"
# Folders whose files a program in tools/ writes: their provenance, keyed by folder.
GENERATED = {
    "KAT_TWOFISH": PUB_TWOFISH,
    "KAT_AES_CTR_EDGES": PUB_EDGES,
    "KAT_HASH_EDGES": PUB_EDGES,
}


# SHAKE128 and SHAKE256 (SHA3VS): ShortMsg and LongMsg (one output length from the file head),
# VariableOut (an output length per record) and Monte, copied unchanged. Each entry: file, vectors.
# Their records start at Len, COUNT or the Monte Carlo Msg, so the manifest counts Output lines,
# one per vector.
SHAKE_FILES = [
    (f"SHAKE{bits}{kind}.rsp", count)
    for bits, counts in ((128, (337, 100, 1126, 100)), (256, (273, 100, 1246, 100)))
    for kind, count in zip(("ShortMsg", "LongMsg", "VariableOut", "Monte"), counts)
]
PUB_SHAKE = "NIST CAVP SHA3VS SHAKE byte-oriented, variable-output and Monte Carlo vectors"


def import_shake(source, out_dir, written, origins, report):
    """Copy the SHAKE files, checking each holds the expected number of Output lines and that
    every length in it is whole bytes."""
    for name, count in SHAKE_FILES:
        src = source / "hashes" / "SHAKE" / name
        if not src.is_file():
            raise VectorImportError(f"missing SHAKE source file {src}")
        data = src.read_bytes()
        if count_records(data, b"Output") != count:
            raise VectorImportError(f"{src}: expected {count} Output lines")
        for length in re.findall(rb"^(?:Len|Outputlen) = (\d+)", data, re.M):
            if int(length) % 8 != 0:
                raise VectorImportError(f"{src}: a length of {int(length)} bits is not whole bytes")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_SHAKE, f"hashes/SHAKE/{name}")
    report.append(f"  SHAKE {len(SHAKE_FILES)} files")


# Project Wycheproof (C2SP/wycheproof): every file of testvectors_v1, copied unchanged, and the
# licence beside them. The folder's README names the commit they come from.
WYCHEPROOF_COMMIT = "dac1dd4729fd1f8dd9e1e9f3dce51d783da6c166"
WYCHEPROOF_FILES = 45
WYCHEPROOF_TESTS = 9602


class VectorImportError(Exception):
    """Raised for anything that makes the import untrustworthy."""


def find_source(explicit):
    if explicit is not None:
        return Path(explicit)
    if DEFAULT_SOURCE.is_dir():
        return DEFAULT_SOURCE
    try:
        listing = subprocess.run(
            ["dpkg", "-L", "python3-cryptography-vectors"],
            check=True, capture_output=True, text=True,
        ).stdout.splitlines()
    except (OSError, subprocess.CalledProcessError) as exc:
        raise VectorImportError(
            "cannot find the cryptography_vectors folder; install python3-cryptography-vectors "
            "or pass --source"
        ) from exc
    for line in listing:
        if line.rstrip("/").endswith("/cryptography_vectors"):
            return Path(line)
    raise VectorImportError("python3-cryptography-vectors is installed but has no cryptography_vectors folder")


def count_lines_starting(data, prefix):
    return sum(1 for line in data.splitlines() if line.startswith(prefix))


def split_aes_file(path):
    """Return (header, encrypt section, decrypt section) of a NIST AES file.

    The header is the run of '#' lines at the top; each section starts at its
    bracketed head line and runs up to the next one (or the end of the file).
    Lines are kept byte for byte, line endings included.
    """
    lines = path.read_bytes().splitlines(keepends=True)
    header = []
    for line in lines:
        if not line.startswith(b"#"):
            break
        header.append(line)
    heads = [i for i, line in enumerate(lines) if line.startswith(b"[")]
    names = [lines[i].strip() for i in heads]
    if names != [b"[ENCRYPT]", b"[DECRYPT]"]:
        raise VectorImportError(f"{path}: expected [ENCRYPT] then [DECRYPT], found {names}")
    if any(line.startswith(b"#") for line in lines[len(header):]):
        raise VectorImportError(f"{path}: comment line after the header")
    enc, dec = heads
    return header, lines[enc:dec], lines[dec:]


def write_all(pending):
    """Write the collected files, leaving identical ones untouched."""
    for path, data in pending.items():
        path.parent.mkdir(parents=True, exist_ok=True)
        if not path.exists() or path.read_bytes() != data:
            path.write_bytes(data)


def import_aes(source, out_dir, written, origins, report):
    aes_dir = source / "ciphers" / "AES"
    total = 0
    for folder, prefix in AES_MODES:
        family = 0
        for kind in AES_KINDS:
            for size in AES_KEY_SIZES:
                src = aes_dir / folder / f"{prefix}{kind}{size}.rsp"
                if not src.is_file():
                    raise VectorImportError(f"missing AES source file {src}")
                header, encrypt, decrypt = split_aes_file(src)
                for suffix, section in (("e", encrypt), ("d", decrypt)):
                    name = f"{prefix}{kind}{size}{suffix}.rsp"
                    # Consumers take the mode from the first three characters of
                    # the name and the direction from the last one of the stem.
                    stem = name[: -len(".rsp")]
                    if name[:3] != folder or stem[-1] != suffix:
                        raise VectorImportError(f"output name {name} does not encode its mode")
                    data = b"".join(header) + b"\n" + b"".join(section)
                    written[out_dir / name] = data
                    origins[out_dir / name] = (
                        PUB_AES, f"ciphers/AES/{folder}/{src.name} [{'EN' if suffix == 'e' else 'DE'}CRYPT]"
                    )
                    family += count_lines_starting(data, b"COUNT")
        if family != AES_RECORDS_PER_MODE:
            raise VectorImportError(
                f"AES {prefix}: {family} records, expected {AES_RECORDS_PER_MODE}"
            )
        report.append(f"  AES {prefix:<7} {family:5d} records in {len(AES_KINDS) * len(AES_KEY_SIZES) * 2} files")
        total += family
    report.append(f"  AES total   {total:5d} records")


def byte_aligned_sha_records(data):
    count = 0
    for line in data.splitlines():
        match = re.match(rb"Len\s*=\s*(\d+)\s*$", line)
        if match and int(match.group(1)) % 8 == 0:
            count += 1
    return count


def import_sha(source, out_dir, written, origins, report, files=SHA_FILES, publication=PUB_SHA):
    per_algorithm = {}
    for folder, name in files:
        src = source / "hashes" / folder / name
        if not src.is_file():
            raise VectorImportError(f"missing SHA source file {src}")
        data = src.read_bytes()
        written[out_dir / name] = data
        origins[out_dir / name] = (publication, f"hashes/{folder}/{name}")
        algorithm = name.split("Short")[0].split("Long")[0]
        per_algorithm[algorithm] = per_algorithm.get(algorithm, 0) + byte_aligned_sha_records(data)
    for algorithm, count in per_algorithm.items():
        report.append(f"  {algorithm:<10} {count:5d} byte-aligned records (ShortMsg + LongMsg)")


def split_records(section):
    """The records of a section (its lines after the bracketed head), cut at blank lines."""
    records, current = [], []
    for line in section[1:]:
        if line.strip():
            current.append(line)
        elif current:
            records.append(current)
            current = []
    if current:
        records.append(current)
    return records


def decrypt_section(encrypt):
    """A [DECRYPT] section from [ENCRYPT] records: same records, CIPHERTEXT before PLAINTEXT."""
    newline = b"\r\n" if encrypt[0].endswith(b"\r\n") else b"\n"
    out = [b"[DECRYPT]" + newline, newline]
    for record in split_records(encrypt):
        texts = [line for line in record if line.startswith((b"PLAINTEXT", b"CIPHERTEXT"))]
        if len(texts) != 2:
            raise VectorImportError(f"record without one PLAINTEXT and one CIPHERTEXT: {record}")
        texts.sort()  # CIPHERTEXT sorts first
        rest = [line for line in record if line not in texts]
        out += rest + texts + [newline]
    return out


def import_ctr(source, sp_file, out_dir, written, origins, report):
    if not sp_file.is_file():
        raise VectorImportError(f"missing CTR source file {sp_file}")
    header, encrypt, decrypt = split_aes_file(sp_file)
    for suffix, section in (("e", encrypt), ("d", decrypt)):
        name = f"CTRSP800-38A{suffix}.rsp"
        data = b"".join(header) + b"\n" + b"".join(section)
        if count_records(data, b"COUNT") != CTR_SP_RECORDS_PER_DIRECTION:
            raise VectorImportError(f"{sp_file}: expected {CTR_SP_RECORDS_PER_DIRECTION} records per direction")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_CTR_SP, f"{sp_file.name} [{'EN' if suffix == 'e' else 'DE'}CRYPT]")
    for size in CTR_KEY_SIZES:
        src = source / "ciphers" / "AES" / "CTR" / f"aes-{size}-ctr.txt"
        if not src.is_file():
            raise VectorImportError(f"missing CTR source file {src}")
        lines = src.read_bytes().splitlines(keepends=True)
        header = [line for line in lines if line.startswith(b"#")]
        heads = [i for i, line in enumerate(lines) if line.startswith(b"[")]
        if [lines[i].strip() for i in heads] != [b"[ENCRYPT]"]:
            raise VectorImportError(f"{src}: expected a single [ENCRYPT] section")
        encrypt = lines[heads[0]:]
        made = [b"# [DECRYPT] made by tools/import_vectors.py from the [ENCRYPT] records\n"]
        for suffix, section, note in (("e", encrypt, []), ("d", decrypt_section(encrypt), made)):
            name = f"CTRRFC3686-{size}{suffix}.rsp"
            data = b"".join(header + note) + b"\n" + b"".join(section)
            if count_records(data, b"COUNT") != CTR_RFC_RECORDS_PER_FILE:
                raise VectorImportError(f"{src}: expected {CTR_RFC_RECORDS_PER_FILE} records")
            written[out_dir / name] = data
            origins[out_dir / name] = (
                PUB_CTR_RFC, f"ciphers/AES/CTR/{src.name}" + (" [ENCRYPT]" if suffix == "e" else " [ENCRYPT], swapped")
            )
    report.append(f"  AES CTR {2 * CTR_SP_RECORDS_PER_DIRECTION + 2 * 3 * CTR_RFC_RECORDS_PER_FILE:5d} records "
                  f"(SP 800-38A and RFC 3686, both directions)")


def import_sha_monte(source, out_dir, written, origins, report, files=SHA_MONTE_FILES,
                     publication=PUB_SHA_MONTE, label="SHA"):
    for folder, name in files:
        src = source / "hashes" / folder / name
        if not src.is_file():
            raise VectorImportError(f"missing SHA Monte source file {src}")
        data = src.read_bytes()
        checkpoints = count_records(data, b"COUNT")
        if checkpoints != SHA_MONTE_CHECKPOINTS or count_records(data, b"Seed") != 1:
            raise VectorImportError(f"{src}: expected one Seed and {SHA_MONTE_CHECKPOINTS} checkpoints")
        written[out_dir / name] = data
        origins[out_dir / name] = (publication, f"hashes/{folder}/{name}")
    report.append(f"  {label} Monte {len(files)} files of {SHA_MONTE_CHECKPOINTS} checkpoints")


def import_camellia(source, out_dir, written, origins, report):
    """Copy the Camellia CBC, CFB128 and OFB files, checking that each holds one [ENCRYPT]
    section of COUNT records with KEY, IV, PLAINTEXT and CIPHERTEXT, four per key size."""
    total = 0
    for original, name in CAMELLIA_FILES:
        src = source / "ciphers" / "Camellia" / original
        if not src.is_file():
            raise VectorImportError(f"missing Camellia source file {src}")
        data = src.read_bytes()
        lines = data.splitlines(keepends=True)
        heads = [line.strip() for line in lines if line.startswith(b"[")]
        if heads != [b"[ENCRYPT]"]:
            raise VectorImportError(f"{src}: expected a single [ENCRYPT] section, found {heads}")
        start = next(i for i, line in enumerate(lines) if line.startswith(b"["))
        body = [line for line in lines[start:] if not line.startswith(b"#")]
        per_key_size = {}
        for record in split_records(body):
            fields = dict(
                (b"".join(part.split()) for part in line.split(b"=", 1)) for line in record
                if b"=" in line
            )
            if sorted(fields) != [b"CIPHERTEXT", b"COUNT", b"IV", b"KEY", b"PLAINTEXT"]:
                raise VectorImportError(f"{src}: record with fields {sorted(fields)}")
            if len(fields[b"PLAINTEXT"]) != len(fields[b"CIPHERTEXT"]) or len(fields[b"IV"]) != 32:
                raise VectorImportError(f"{src}: record COUNT {fields[b'COUNT']!r} has bad lengths")
            bits = len(fields[b"KEY"]) * 4
            per_key_size[bits] = per_key_size.get(bits, 0) + 1
        expected = {bits: CAMELLIA_RECORDS_PER_KEY_SIZE for bits in (128, 192, 256)}
        if per_key_size != expected or count_records(data, b"COUNT") != sum(expected.values()):
            raise VectorImportError(f"{src}: records per key size {per_key_size}, expected {expected}")
        if name[:3] != original[len("camellia-"):][:3].upper():
            raise VectorImportError(f"output name {name} does not encode the mode of {original}")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_CAMELLIA, f"ciphers/Camellia/{original}")
        total += sum(per_key_size.values())
    report.append(f"  Camellia {total:4d} records (CBC, CFB128, OFB; [ENCRYPT] only)")


def import_cmac(source, out_dir, written, origins, report):
    """Copy the CMAC files, checking their record counts and that every record has its fields."""
    total = 0
    for name, expected in CMAC_FILES.items():
        src = source / "CMAC" / name
        if not src.is_file():
            raise VectorImportError(f"missing CMAC source file {src}")
        data = src.read_bytes()
        if count_records(data, b"COUNT") != expected or count_records(data, b"OUTPUT") != expected:
            raise VectorImportError(f"{src}: expected {expected} records, each with an OUTPUT")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_CMAC, f"CMAC/{name}")
        total += expected
    report.append(f"  CMAC    {total:5d} records (AES-128/192/256, 3DES)")


def selection_source(data):
    """A file to select records from: its lines, its line ending and its comment header (the
    comment lines before the first head line)."""
    lines = data.splitlines(keepends=True)
    newline = b"\r\n" if lines and lines[0].endswith(b"\r\n") else b"\n"
    header = []
    for line in lines:
        if line.startswith(b"["):
            break
        if line.startswith(b"#"):
            header.append(line)
    return lines, newline, header


def kept_records(records, chosen, newline):
    """The records of `chosen`, in their order among `records`, each followed by a blank line."""
    out = []
    for record in records:
        if any(record is c for c in chosen):
            out += record + [newline]
    return out


def select_keywrap(src, data):
    """The kept part of a key wrap file: its header, and for each plaintext length the first
    records that unwrap and the first that are marked FAIL. Checks the original's layout."""
    lines, newline, header = selection_source(data)
    heads = [i for i, line in enumerate(lines) if line.startswith(b"[")]
    if len(heads) != KEYWRAP_LENGTHS_PER_FILE:
        raise VectorImportError(f"{src}: {len(heads)} plaintext lengths, expected {KEYWRAP_LENGTHS_PER_FILE}")
    unwraps = "_AD_" in src.name
    out = header + [b"# A selection made by tools/import_vectors.py: for each plaintext length the first "
                    + str(KEYWRAP_KEEP_PASSING).encode() + b" records"
                    + (b" that unwrap and the first " + str(KEYWRAP_KEEP_FAILING).encode() + b" marked FAIL"
                       if unwraps else b"") + newline, newline]
    kept = 0
    for at, start in enumerate(heads):
        end = heads[at + 1] if at + 1 < len(heads) else len(lines)
        section = lines[start:end]
        if not section[0].startswith(b"[PLAINTEXT LENGTH = "):
            raise VectorImportError(f"{src}: unexpected head line {section[0]!r}")
        records = split_records(section)
        failing = [r for r in records if any(line.strip() == b"FAIL" for line in r)]
        passing = [r for r in records if r not in failing]
        if len(records) != KEYWRAP_RECORDS_PER_LENGTH or len(failing) != (KEYWRAP_FAILING_PER_LENGTH if unwraps else 0):
            raise VectorImportError(f"{src}: {len(records)} records, {len(failing)} marked FAIL, under {section[0]!r}")
        for record in records:
            names = sorted(line.split(b"=")[0].strip() for line in record)
            wanted = [b"C", b"COUNT", b"FAIL", b"K"] if record in failing else [b"C", b"COUNT", b"K", b"P"]
            if names != wanted:
                raise VectorImportError(f"{src}: record with fields {names}")
        chosen = passing[:KEYWRAP_KEEP_PASSING] + failing[:KEYWRAP_KEEP_FAILING]
        out += [section[0], newline]
        out += kept_records(records, chosen, newline)
        kept += len(chosen)
    return b"".join(out), kept


def import_keywrap(source, out_dir, written, origins, report):
    total = 0
    for name in KEYWRAP_FILES:
        src = source / "keywrap" / "kwtestvectors" / name
        if not src.is_file():
            raise VectorImportError(f"missing key wrap source file {src}")
        data, kept = select_keywrap(src, src.read_bytes())
        if count_records(data, b"COUNT") != kept:
            raise VectorImportError(f"{src}: the selection holds {count_records(data, b'COUNT')} records, not {kept}")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_KEYWRAP, f"keywrap/kwtestvectors/{name}")
        total += kept
    report.append(f"  Key wrap {total:4d} records in {len(KEYWRAP_FILES)} files (KW and KWP, a selection)")


def import_tdes(source, out_dir, written, origins, report):
    """Split the Triple-DES ECB, CBC, CFB64 and OFB files into their two directions, checking that
    every record has a key (KEYs, or KEY1, KEY2 and KEY3), an IV where the mode uses one, and
    PLAINTEXT and CIPHERTEXT of one length in whole 64-bit blocks."""
    total = 0
    for folder, prefix in TDES_MODES:
        family = 0
        for kind in TDES_KINDS:
            src = source / "ciphers" / "3DES" / folder / f"{prefix}{kind}.rsp"
            if not src.is_file():
                raise VectorImportError(f"missing TDES source file {src}")
            header, encrypt, decrypt = split_aes_file(src)
            for suffix, section in (("e", encrypt), ("d", decrypt)):
                for record in split_records(section):
                    fields = record_fields(record)
                    keys = sorted(k for k in fields if k.startswith(b"KEY"))
                    wanted = [b"CIPHERTEXT", b"COUNT", b"PLAINTEXT"] + ([b"IV"] if folder != "ECB" else [])
                    if keys not in ([b"KEYs"], [b"KEY1", b"KEY2", b"KEY3"]) or \
                            sorted(k for k in fields if not k.startswith(b"KEY")) != sorted(wanted):
                        raise VectorImportError(f"{src}: record with fields {sorted(fields)}")
                    if any(len(fields[k]) != 16 for k in keys + ([b"IV"] if folder != "ECB" else [])) or \
                            len(fields[b"PLAINTEXT"]) != len(fields[b"CIPHERTEXT"]) or \
                            len(fields[b"PLAINTEXT"]) % 16 != 0 or not fields[b"PLAINTEXT"]:
                        raise VectorImportError(f"{src}: record COUNT {fields[b'COUNT']!r} has bad lengths")
                name = f"{prefix}{kind}{suffix}.rsp"
                data = b"".join(header) + b"\n" + b"".join(section)
                written[out_dir / name] = data
                origins[out_dir / name] = (
                    PUB_TDES, f"ciphers/3DES/{folder}/{src.name} [{'EN' if suffix == 'e' else 'DE'}CRYPT]"
                )
                family += count_records(data, b"COUNT")
        if family != TDES_RECORDS_PER_MODE:
            raise VectorImportError(f"TDES {prefix}: {family} records, expected {TDES_RECORDS_PER_MODE}")
        report.append(f"  TDES {prefix:<7} {family:4d} records in {len(TDES_KINDS) * 2} files")
        total += family
    report.append(f"  TDES total  {total:5d} records")


def camellia_ecb_to_nist(src, data, bits):
    """NTT's ECB layout ('K No.001 : 00 01 ...', then pairs of 'P No.nnn' and 'C No.nnn' lines) as
    COUNT/KEY/PLAINTEXT/CIPHERTEXT records under [ENCRYPT], counted from 0 through the file."""
    out = [line + b"\n" for line in data.splitlines() if line.startswith(b"#")]
    out += [b"# Rewritten in NIST form by tools/import_vectors.py\n", b"\n", b"[ENCRYPT]\n", b"\n"]
    key, plain, count, keys = None, None, 0, 0
    for number, line in enumerate(data.splitlines(), 1):
        if not line.strip() or line.startswith(b"#"):
            continue
        match = re.fullmatch(rb"([KPC]) No\.(\d{3}) : ((?:[0-9A-F]{2} ?)+)", line.strip())
        if not match:
            raise VectorImportError(f"{src}:{number}: unexpected line {line!r}")
        tag, value = match.group(1), b"".join(match.group(3).split())
        if tag == b"K":
            if len(value) * 4 != bits or plain is not None:
                raise VectorImportError(f"{src}:{number}: a key of {len(value) * 4} bits, or a P line without C")
            key, keys = value, keys + 1
        elif tag == b"P":
            if key is None or plain is not None or len(value) != 32:
                raise VectorImportError(f"{src}:{number}: P line out of place")
            plain = (match.group(2), value)
        else:
            if plain is None or plain[0] != match.group(2) or len(value) != 32:
                raise VectorImportError(f"{src}:{number}: C line without its P line")
            out += [b"COUNT = %d\n" % count, b"KEY = " + key + b"\n", b"PLAINTEXT = " + plain[1] + b"\n",
                    b"CIPHERTEXT = " + value + b"\n", b"\n"]
            plain, count = None, count + 1
    if plain is not None or keys != CAMELLIA_ECB_KEYS_PER_FILE or count != CAMELLIA_ECB_RECORDS_PER_FILE:
        raise VectorImportError(f"{src}: {keys} keys and {count} records, expected "
                                f"{CAMELLIA_ECB_KEYS_PER_FILE} and {CAMELLIA_ECB_RECORDS_PER_FILE}")
    return b"".join(out)


def import_camellia_nist(source, out_dir, written, origins, report):
    """The CBC, CFB128 and OFB files as import_camellia copies them, and the ECB files rewritten."""
    copies = {}
    import_camellia(source, out_dir, copies, origins, [])
    written.update(copies)
    total = CAMELLIA_RECORDS_PER_KEY_SIZE * 3 * len(CAMELLIA_FILES)
    for bits, original, name in CAMELLIA_ECB_FILES:
        src = source / "ciphers" / "Camellia" / original
        if not src.is_file():
            raise VectorImportError(f"missing Camellia source file {src}")
        data = camellia_ecb_to_nist(src, src.read_bytes(), bits)
        if count_records(data, b"COUNT") != CAMELLIA_ECB_RECORDS_PER_FILE:
            raise VectorImportError(f"{src}: the rewritten file does not count {CAMELLIA_ECB_RECORDS_PER_FILE} records")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_CAMELLIA_NTT, f"ciphers/Camellia/{original}")
        total += CAMELLIA_ECB_RECORDS_PER_FILE
    report.append(f"  Camellia NIST {total:4d} records (ECB, CBC, CFB128, OFB; [ENCRYPT] only)")


def import_xts(source, out_dir, written, origins, report):
    """Copy the XTS files, checking their record counts and how many are whole bytes long."""
    total = whole_total = 0
    for name, (expected, whole) in XTS_FILES.items():
        src = source / "ciphers" / "AES" / "XTS" / "tweak-128hexstr" / name
        if not src.is_file():
            raise VectorImportError(f"missing XTS source file {src}")
        data = src.read_bytes()
        lengths = [int(m) for m in re.findall(rb"^DataUnitLen\s*=\s*(\d+)\s*$", data, re.M)]
        if count_records(data, b"COUNT") != expected or len(lengths) != expected:
            raise VectorImportError(f"{src}: expected {expected} records, each with a DataUnitLen")
        if sum(1 for n in lengths if n % 8 == 0) != whole:
            raise VectorImportError(f"{src}: expected {whole} records of whole bytes")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_XTS, f"ciphers/AES/XTS/tweak-128hexstr/{name}")
        total += expected
        whole_total += whole
    report.append(f"  XTS     {total:5d} records, {whole_total} of whole bytes (XTS-AES-128/256)")


def select_gcm(src, data):
    """The kept part of a GCM file: its header, and every category with its first records (see
    GCM_KEEP_ENCRYPTING and the others). Checks the original's layout."""
    lines, newline, header = selection_source(data)
    # A category opens with its run of five head lines.
    starts = [i for i, line in enumerate(lines)
              if line.startswith(b"[Keylen = ")]
    if len(starts) != GCM_CATEGORIES_PER_FILE:
        raise VectorImportError(f"{src}: {len(starts)} categories, expected {GCM_CATEGORIES_PER_FILE}")
    decrypts = "Decrypt" in src.name
    rule = (f"the first {GCM_KEEP_PASSING} records that decrypt and the first {GCM_KEEP_FAILING} marked FAIL"
            if decrypts else f"the first {GCM_KEEP_ENCRYPTING} records")
    out = header + [f"# A selection made by tools/import_vectors.py: for each category {rule}".encode()
                    + newline, newline]
    kept = 0
    for at, start in enumerate(starts):
        end = starts[at + 1] if at + 1 < len(starts) else len(lines)
        heads = [line for line in lines[start:end] if line.startswith(b"[")]
        names = [line.split(b"=")[0].strip(b"[ ") for line in heads]
        if names != [b"Keylen", b"IVlen", b"PTlen", b"AADlen", b"Taglen"]:
            raise VectorImportError(f"{src}: unexpected head lines {heads!r}")
        section = lines[start + len(heads) - 1:end]
        records = split_records(section)
        failing = [r for r in records if any(line.strip() == b"FAIL" for line in r)]
        passing = [r for r in records if r not in failing]
        if len(records) != GCM_RECORDS_PER_CATEGORY:
            raise VectorImportError(f"{src}: {len(records)} records under {heads!r}")
        # Some categories hold only records marked FAIL; every one holds at least one.
        if decrypts and not failing:
            raise VectorImportError(f"{src}: no record under {heads!r} is marked FAIL")
        if not decrypts and failing:
            raise VectorImportError(f"{src}: an encryption record marked FAIL under {heads!r}")
        for record in records:
            fields = sorted(line.split(b"=")[0].strip() for line in record)
            body = [b"AAD", b"CT", b"Count", b"IV", b"Key", b"Tag"]
            if fields != sorted(body + [b"FAIL" if record in failing else b"PT"]):
                raise VectorImportError(f"{src}: record with fields {fields}")
        chosen = (passing[:GCM_KEEP_PASSING] + failing[:GCM_KEEP_FAILING] if decrypts
                  else records[:GCM_KEEP_ENCRYPTING])
        out += heads + [newline]
        out += kept_records(records, chosen, newline)
        kept += len(chosen)
    return b"".join(out), kept


def import_gcm(source, out_dir, written, origins, report):
    total = 0
    for name in GCM_FILES:
        src = source / "ciphers" / "AES" / "GCM" / name
        if not src.is_file():
            raise VectorImportError(f"missing GCM source file {src}")
        data, kept = select_gcm(src, src.read_bytes())
        if count_records(data, b"Count") != kept:
            raise VectorImportError(f"{src}: the selection holds {count_records(data, b'Count')} records, not {kept}")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_GCM, f"ciphers/AES/GCM/{name}")
        total += kept
    report.append(f"  GCM     {total:5d} records in {len(GCM_FILES)} files (a selection)")


def lift_ccm(src, data):
    """A CCM file with its header parameters and its category-level Key and Nonce lines as head
    lines of every category; the records themselves are copied unchanged."""
    lines = data.splitlines(keepends=True)
    newline = b"\r\n" if lines and lines[0].endswith(b"\r\n") else b"\n"
    out, parameters, heads = [], [], []
    at = 0
    while at < len(lines) and not lines[at].startswith(b"["):
        line = lines[at].strip()
        if line.startswith(b"#"):
            out.append(lines[at])
        elif line:
            name = line.split(b"=")[0].strip()
            if name not in (b"Alen", b"Plen", b"Nlen", b"Tlen"):
                raise VectorImportError(f"{src}: unexpected header line {line!r}")
            parameters.append(b"[" + line + b"]" + newline)
        at += 1
    out.append(newline)
    in_record = False
    for line in lines[at:]:
        text = line.strip()
        if text.startswith(b"#"):
            raise VectorImportError(f"{src}: comment line after the header")
        if text.startswith(b"["):
            if in_record or not heads:
                heads = list(parameters)
            # "[Alen = 0, Plen = 0, Nlen = 7, Tlen = 4]": one head line per parameter.
            heads += [b"[" + part.strip() + b"]" + newline for part in text.strip(b"[]").split(b",")]
            in_record = False
            continue
        if not text:
            if not in_record:
                continue
            out.append(line)
            continue
        name = text.split(b"=")[0].strip()
        if name == b"Count":
            if not in_record and heads:
                out += heads + [newline]
                heads = []
            in_record = True
        elif not in_record:
            if name not in (b"Key", b"Nonce"):
                raise VectorImportError(f"{src}: unexpected line {text!r} before a record")
            heads.append(b"[" + text + b"]" + newline)
            continue
        out.append(line)
    return b"".join(out)


def import_ccm(source, out_dir, written, origins, report):
    total = 0
    for name in CCM_FILES:
        src = source / "ciphers" / "AES" / "CCM" / name
        if not src.is_file():
            raise VectorImportError(f"missing CCM source file {src}")
        original = src.read_bytes()
        data = lift_ccm(src, original)
        expected = CCM_RECORDS[name[:-len("128.rsp")]]
        if count_records(original, b"Count") != expected or count_records(data, b"Count") != expected:
            raise VectorImportError(f"{src}: {count_records(data, b'Count')} records, expected {expected}")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_CCM, f"ciphers/AES/CCM/{name}")
        total += expected
    report.append(f"  CCM     {total:5d} records in {len(CCM_FILES)} files")


def count_records(data, key):
    """Records as the suites' parser sees them: body lines whose field name (white space removed,
    up to the first '=') is `key`; comment, blank and bracketed lines do not count. For
    JSON_RECORD_KEY, the number of times it occurs in the text."""
    if key == JSON_RECORD_KEY:
        return data.count(key)
    count = 0
    for line in data.split(b"\n"):
        if line.startswith(b"#"):
            continue
        line = line.replace(b"\r", b"")
        if not line.strip() or line.startswith(b"["):
            continue
        if b"".join(line.split()).split(b"=", 1)[0] == key:
            count += 1
    return count


def write_manifest(data_root, origins):
    """Rewrite data/MANIFEST from the files now under data/Test, sorted by path."""
    lines = [
        "# Provenance of every vector file below this folder, written by tools/import_vectors.py.\n",
        "# One line per file, fields separated by tabs: path (relative to this folder), source\n",
        "# publication, original file name, record count, size in bytes, SHA-256 of the contents.\n",
    ]
    files = sorted(p for p in (data_root / "Test").rglob("*") if p.is_file())
    for path in files:
        family = path.parent.name
        if family not in RECORD_KEYS:
            raise VectorImportError(f"{path}: no record rule for folder {family}")
        if path in origins:
            publication, original = origins[path]
        elif family in GENERATED:
            publication, original = GENERATED[family], path.name
        else:
            raise VectorImportError(f"{path}: vector file of unknown origin")
        data = path.read_bytes()
        fields = [
            path.relative_to(data_root).as_posix(), publication, original,
            str(count_records(data, RECORD_KEYS[family])), str(len(data)), hashlib.sha256(data).hexdigest(),
        ]
        if any("\t" in f or "\n" in f for f in fields):
            raise VectorImportError(f"{path}: manifest field holds a tab or newline")
        lines.append("\t".join(fields) + "\n")
    manifest = data_root / "MANIFEST"
    text = "".join(lines).encode("utf-8")
    if not manifest.exists() or manifest.read_bytes() != text:
        manifest.write_bytes(text)
    return len(files)


def read_checksum(path, expected_name):
    """Parse a sha256sum line: '<64 hex digits>  <name>' (or ' *<name>')."""
    text = path.read_text(encoding="ascii").strip()
    match = re.fullmatch(r"([0-9a-fA-F]{64})(?:\s+\*?(\S+))?", text)
    if not match:
        raise VectorImportError(f"{path}: not a sha256sum line: {text!r}")
    if match.group(2) is not None and Path(match.group(2)).name != expected_name:
        raise VectorImportError(f"{path}: checksum is for {match.group(2)}, not {expected_name}")
    return match.group(1).lower()


def import_hmac(hmac_file, out_dir, written, origins, report):
    if not hmac_file.is_file():
        raise VectorImportError(f"missing HMAC source file {hmac_file}")
    data = hmac_file.read_bytes()
    checksum_file = hmac_file.with_name(hmac_file.name + ".sha256")
    expected = read_checksum(checksum_file, hmac_file.name)
    actual = hashlib.sha256(data).hexdigest()
    if actual != expected:
        raise VectorImportError(f"{hmac_file}: sha256 {actual} does not match {expected}")
    records = count_lines_starting(data, b"Count")
    if records != HMAC_RECORDS:
        raise VectorImportError(f"{hmac_file}: {records} records, expected {HMAC_RECORDS}")
    written[out_dir / "HMAC.rsp"] = data
    origins[out_dir / "HMAC.rsp"] = (PUB_HMAC, hmac_file.name)
    per_category = []
    for line in data.splitlines():
        if line.startswith(b"["):
            per_category.append([line.strip().decode("ascii", "replace"), 0])
        elif line.startswith(b"Count") and per_category:
            per_category[-1][1] += 1
    report.append(f"  HMAC    {records:5d} records, sha256 verified")
    report.append("          " + ", ".join(f"{name} {n}" for name, n in per_category))


# The RFC HMAC files: Len (message bits), Key, Msg, MD per test case, without a number. Each record
# gets a COUNT line with its test case number in the RFC. The RFC 4231 files leave out case 5 (the
# truncated output) at a comment saying so; their cases 6 and 7 have 131-byte keys.
RFC_HMAC_FILES = [
    ("rfc-2202-md5.txt", "RFC2202-MD5.rsp", [1, 2, 3, 4, 5, 6, 7]),
    ("rfc-2202-sha1.txt", "RFC2202-SHA1.rsp", [1, 2, 3, 4, 5, 6, 7]),
] + [(f"rfc-4231-sha{bits}.txt", f"RFC4231-SHA{bits}.rsp", [1, 2, 3, 4, 6, 7]) for bits in (224, 256, 384, 512)] + [
    ("rfc-2286-ripemd160.txt", "RFC2286-RIPEMD160.rsp", [1, 2, 3, 4, 5, 6, 7]),
]
RFC4231_SKIPPED_CASE = b"# truncation test from RFC not added"
RFC4231_LONG_KEY_BYTES = 131


def import_rfc_hmac(source, out_dir, written, origins, report):
    total = 0
    for original, name, cases in RFC_HMAC_FILES:
        src = source / "HMAC" / original
        if not src.is_file():
            raise VectorImportError(f"missing RFC HMAC source file {src}")
        out, case, numbered = [], 0, []
        for line in src.read_bytes().splitlines(keepends=True):
            if line.startswith(RFC4231_SKIPPED_CASE):
                case += 1
            if re.match(rb"Len\s*=", line):
                case += 1
                numbered.append(case)
                out.append(b"COUNT = %d\n" % case)
            out.append(line)
        if numbered != cases:
            raise VectorImportError(f"{src}: test cases {numbered}, expected {cases}")
        data = b"".join(out)
        if original.startswith("rfc-4231"):
            keys = [len(v) // 2 for v in re.findall(rb"^Key\s*=\s*([0-9a-f]*)\s*$", data, re.M)]
            if keys[-2:] != [RFC4231_LONG_KEY_BYTES] * 2:
                raise VectorImportError(f"{src}: key lengths {keys}, cases 6 and 7 must have 131 bytes")
        written[out_dir / name] = data
        publication = PUB_HMAC_RFC2286 if original.startswith("rfc-2286") else PUB_HMAC_RFC
        origins[out_dir / name] = (publication, f"HMAC/{original}, COUNT = RFC test case added")
        total += len(numbered)
    report.append(f"  HMAC RFC {total:4d} records (RFC 2202 MD5 and SHA-1, RFC 4231 SHA-224 ... SHA-512, "
                  "RFC 2286 RIPEMD-160)")


def import_other_hashes(source, out_dir, written, origins, report):
    for original, name, expected, digest_bytes in OTHER_HASH_FILES:
        src = source / "hashes" / original
        if not src.is_file():
            raise VectorImportError(f"missing hash source file {src}")
        data = src.read_bytes()
        records = count_records(data, b"Len")
        if records != expected or byte_aligned_sha_records(data) != expected:
            raise VectorImportError(f"{src}: {records} records (byte-aligned or not), expected {expected} byte-aligned")
        digests = re.findall(rb"^MD\s*=\s*([0-9a-fA-F]*)\s*$", data, re.M)
        if len(digests) != expected or any(len(d) != 2 * digest_bytes for d in digests):
            raise VectorImportError(f"{src}: every record must have an MD of {digest_bytes} bytes")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_OTHER_HASHES, f"hashes/{original}")
        report.append(f"  {name[:-4]:<10} {records:5d} records")


def field_names_by_record(data):
    """The field names of each record, in order: body lines from one COUNT line to the next."""
    records = []
    for line in data.split(b"\n"):
        line = line.replace(b"\r", b"")
        if line.startswith(b"#") or not line.strip() or line.startswith(b"["):
            continue
        name = b"".join(line.split(b"=", 1)[0].split())
        if name == b"COUNT":
            records.append([])
        if records:
            records[-1].append(name)
    return records


def import_primitives(source, dirs, written, origins, report):
    for folder, original, name, expected, fields in PRIMITIVE_FILES:
        src = source / original
        if not src.is_file():
            raise VectorImportError(f"missing source file {src}")
        data = src.read_bytes()
        records = field_names_by_record(data)
        if len(records) != expected or count_records(data, b"COUNT") != expected:
            raise VectorImportError(f"{src}: {len(records)} records, expected {expected}")
        for index, record in enumerate(records):
            # OpenSSL's file marks its forged tag with a Result line after the fields.
            if record[:len(fields)] != fields or any(f != b"Result" for f in record[len(fields):]):
                raise VectorImportError(f"{src}: record {index} has the fields {record}, expected {fields}")
        out_dir = dirs[folder]
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_PRIMITIVES[folder], original)
        report.append(f"  {folder:<17} {name:<14} {expected:3d} records")


HKDF_FILES = [("rfc-5869-HKDF-SHA1.txt", "RFC5869-SHA1.rsp", "SHA-1", [4, 5, 6, 7]),
              ("rfc-5869-HKDF-SHA256.txt", "RFC5869-SHA256.rsp", "SHA-256", [1, 2, 3])]
HKDF_FIELDS = [b"COUNT", b"Hash", b"IKM", b"L", b"OKM", b"PRK", b"info", b"salt"]


def record_fields(record):
    """The fields of a record's lines as a dict of name to value, white space removed."""
    return dict((b"".join(part.split()) for part in line.split(b"=", 1))
                for line in record if b"=" in line and not line.startswith(b"#"))


def import_hkdf(source, out_dir, written, origins, report):
    """Copy the RFC 5869 files unchanged, checking each record's fields, hash and lengths."""
    for original, name, hash_name, counts in HKDF_FILES:
        src = source / "KDF" / original
        if not src.is_file():
            raise VectorImportError(f"missing HKDF source file {src}")
        data = src.read_bytes()
        records = [record_fields(r.splitlines()) for r in re.split(rb"\n(?=COUNT\s*=)", data)[1:]]
        for fields in records:
            if sorted(fields) != HKDF_FIELDS or fields[b"Hash"] != hash_name.encode():
                raise VectorImportError(f"{src}: record with fields {fields}")
            if len(fields[b"OKM"]) != 2 * int(fields[b"L"]):
                raise VectorImportError(f"{src}: COUNT {fields[b'COUNT']!r}: L differs from the OKM")
        if [int(f[b"COUNT"]) for f in records] != counts or count_records(data, b"COUNT") != len(counts):
            raise VectorImportError(f"{src}: expected the RFC test cases {counts}")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_HKDF, f"KDF/{original}")
    report.append("  HKDF        7 records (RFC 5869 cases 1-3 SHA-256, 4-7 SHA-1)")


PBKDF2_FILES = [("rfc-6070-PBKDF2-SHA1.txt", "RFC6070-SHA1.rsp", 6)]


def text_to_hex(text):
    """Hex of a PASSWORD or SALT text of the RFC 6070 file, where \\0 stands for a NUL byte."""
    if b"\\" in text.replace(b"\\0", b""):
        raise VectorImportError(f"unknown escape in {text!r}")
    return text.replace(b"\\0", b"\0").hex().encode()


def import_pbkdf2(source, out_dir, written, origins, report):
    """The RFC 6070 file with PASSWORD and SALT, which it gives as text, written in hex (the text
    kept above them as a comment); everything else unchanged."""
    for original, name, expected in PBKDF2_FILES:
        src = source / "KDF" / original
        if not src.is_file():
            raise VectorImportError(f"missing PBKDF2 source file {src}")
        out = []
        for line in src.read_bytes().splitlines(keepends=True):
            match = re.match(rb"(PASSWORD|SALT) = (.*?)(\r?\n)?$", line)
            if match:
                out.append(b"# " + line)
                line = match.group(1) + b" = " + text_to_hex(match.group(2)) + b"\n"
            out.append(line)
        data = b"".join(out)
        records = [record_fields(r.splitlines()) for r in re.split(rb"\n(?=COUNT\s*=)", data)[1:]]
        for fields in records:
            if sorted(fields) != [b"COUNT", b"DERIVED_KEY", b"ITERATIONS", b"LENGTH", b"PASSWORD", b"SALT"]:
                raise VectorImportError(f"{src}: record with fields {sorted(fields)}")
            if len(fields[b"DERIVED_KEY"]) != 2 * int(fields[b"LENGTH"]):
                raise VectorImportError(f"{src}: COUNT {fields[b'COUNT']!r}: LENGTH differs from the key")
        if len(records) != expected or count_records(data, b"COUNT") != expected:
            raise VectorImportError(f"{src}: {len(records)} records, expected {expected}")
        written[out_dir / name] = data
        origins[out_dir / name] = (PUB_PBKDF2, f"KDF/{original}, PASSWORD and SALT in hex")
    report.append("  PBKDF2      6 records (RFC 6070, HMAC-SHA-1)")


def check_wycheproof(src, data):
    """The number of tests of a Wycheproof file, after checking its layout: the tests of its groups
    are numberOfTests, their tcIds unique, and the manifest's count of "tcId" keys agrees."""
    try:
        document = json.loads(data)
    except ValueError as exc:  # UnicodeDecodeError included
        raise VectorImportError(f"{src}: not JSON: {exc}") from exc
    if not isinstance(document, dict):
        raise VectorImportError(f"{src}: not a JSON object")
    missing = [key for key in ("numberOfTests", "schema", "algorithm", "testGroups") if key not in document]
    if missing:
        raise VectorImportError(f"{src}: no {', '.join(missing)}")
    expected, groups = document["numberOfTests"], document["testGroups"]
    if not isinstance(groups, list) or not all(isinstance(g, dict) and isinstance(g.get("tests"), list)
                                               for g in groups):
        raise VectorImportError(f"{src}: testGroups is not a list of groups with tests")
    tests = [test for group in groups for test in group["tests"]]
    if type(expected) is not int or len(tests) != expected:
        raise VectorImportError(f"{src}: {len(tests)} tests in its groups, numberOfTests is {expected!r}")
    ids = [test.get("tcId") if isinstance(test, dict) else None for test in tests]
    if None in ids or len(set(map(repr, ids))) != len(ids):
        raise VectorImportError(f"{src}: a test without a tcId, or a tcId given twice")
    if count_records(data, JSON_RECORD_KEY) != expected:
        raise VectorImportError(f"{src}: {count_records(data, JSON_RECORD_KEY)} \"tcId\" keys in the text, "
                                f"numberOfTests is {expected}")
    return expected


def import_wycheproof(source, out_dir, written, origins, report):
    readme = source / "README.md"
    if not readme.is_file() or WYCHEPROOF_COMMIT not in readme.read_text(encoding="utf-8"):
        raise VectorImportError(f"{readme}: does not name commit {WYCHEPROOF_COMMIT}")
    files = sorted((source / "testvectors_v1").glob("*.json"))
    if len(files) != WYCHEPROOF_FILES:
        raise VectorImportError(f"{source / 'testvectors_v1'}: {len(files)} JSON files, expected {WYCHEPROOF_FILES}")
    total = 0
    for src in files:
        data = src.read_bytes()
        total += check_wycheproof(src, data)
        written[out_dir / src.name] = data
        origins[out_dir / src.name] = (PUB_WYCHEPROOF, f"testvectors_v1/{src.name}")
    if total != WYCHEPROOF_TESTS:
        raise VectorImportError(f"{source}: {total} tests, expected {WYCHEPROOF_TESTS}")
    licence = source / "LICENSE"
    if not licence.is_file():
        raise VectorImportError(f"missing Wycheproof licence {licence}")
    data = licence.read_bytes()
    # The manifest counts it by the folder's rule, which must give 0.
    if b"Apache License" not in data or count_records(data, JSON_RECORD_KEY) != 0:
        raise VectorImportError(f"{licence}: not the Apache licence, or it holds a \"tcId\" key")
    written[out_dir / "LICENSE"] = data
    origins[out_dir / "LICENSE"] = (PUB_WYCHEPROOF, "LICENSE")
    report.append(f"  WYCHEPROOF {total:5d} tests in {len(files)} files (unchanged), LICENSE")


# SM4, SEED and IDEA: the package's files for each mode, renamed like the Camellia files (mode in
# the first characters, direction in the last character of the stem). The files that have no
# [ENCRYPT] head line get one after their comment header; records are copied unchanged (IDEA's ECB
# records keep the CIPHERTEXT100 and CIPHERTEXT1000 that half of them have, which the suites do not
# read). Each entry: folder, source (below ciphers/), file written, records, block bytes, the fields
# a record may have beyond COUNT, KEY, IV (not for ECB), PLAINTEXT and CIPHERTEXT.
NAMED_CIPHER_FILES = [
    ("SM4", f"SM4/draft-ribose-cfrg-sm4-10-{mode[:3].lower()}.txt", f"{mode}SM4-e.rsp", records, 16, [])
    for mode, records in (("ECB", 4), ("CBC", 2), ("CFB128", 2), ("OFB", 2), ("CTR", 2))
] + [
    ("SEED", "SEED/rfc-4269.txt", "ECBSEED-e.rsp", 4, 16, []),
    ("SEED", "SEED/rfc-4196.txt", "CBCSEED-e.rsp", 2, 16, []),
    ("SEED", "SEED/seed-cfb.txt", "CFB128SEED-e.rsp", 20, 16, []),
    ("SEED", "SEED/seed-ofb.txt", "OFBSEED-e.rsp", 20, 16, []),
    ("IDEA", "IDEA/idea-ecb.txt", "ECBIDEA-e.rsp", 900, 8, [b"CIPHERTEXT100", b"CIPHERTEXT1000"]),
    ("IDEA", "IDEA/idea-cbc.txt", "CBCIDEA-e.rsp", 20, 8, []),
    ("IDEA", "IDEA/idea-cfb.txt", "CFB64IDEA-e.rsp", 20, 8, []),
    ("IDEA", "IDEA/idea-ofb.txt", "OFBIDEA-e.rsp", 20, 8, []),
]
PUB_NAMED_CIPHERS = {
    "SM4": "draft-ribose-cfrg-sm4-10 SM4 examples (GB/T 32907) in NIST form (python3-cryptography-vectors)",
    "SEED": "RFC 4269 and RFC 4196 SEED examples and pyca's SEED CFB/OFB vectors (python3-cryptography-vectors)",
    "IDEA": "NESSIE IDEA ECB vectors and pyca's IDEA CBC/CFB/OFB vectors (python3-cryptography-vectors)",
}


def with_encrypt_head(src, data):
    """`data` with one [ENCRYPT] head line: kept when it has it, else put after the comment
    header (the '#' lines at the top)."""
    lines = data.splitlines(keepends=True)
    heads = [line.strip() for line in lines if line.startswith(b"[")]
    if heads == [b"[ENCRYPT]"]:
        return data
    if heads:
        raise VectorImportError(f"{src}: expected at most one [ENCRYPT] head line, found {heads}")
    newline = b"\r\n" if lines and lines[0].endswith(b"\r\n") else b"\n"
    top = 0
    while top < len(lines) and lines[top].startswith(b"#"):
        top += 1
    return b"".join(lines[:top]) + newline + b"[ENCRYPT]" + newline + b"".join(lines[top:])


def import_named_ciphers(source, dirs, written, origins, report):
    """The SM4, SEED and IDEA files under an [ENCRYPT] head, checking every record's fields and
    lengths: a 128-bit KEY, an IV of one block where the mode has one, PLAINTEXT and CIPHERTEXT of
    one length, in whole blocks except for CTR."""
    totals = {}
    for folder, original, name, expected, block, extra in NAMED_CIPHER_FILES:
        src = source / "ciphers" / original
        if not src.is_file():
            raise VectorImportError(f"missing {folder} source file {src}")
        data = with_encrypt_head(src, src.read_bytes())
        lines = data.splitlines(keepends=True)
        start = next(i for i, line in enumerate(lines) if line.startswith(b"["))
        mode = name[:3]
        wanted = sorted([b"CIPHERTEXT", b"COUNT", b"KEY", b"PLAINTEXT"] + ([] if mode == "ECB" else [b"IV"]))
        records = split_records([line for line in lines[start:] if not line.startswith(b"#")])
        for record in records:
            fields = record_fields(record)
            if sorted(k for k in fields if k not in extra) != wanted or len(fields) != len(record):
                raise VectorImportError(f"{src}: record with fields {sorted(fields)}, expected {wanted}")
            text = len(fields[b"PLAINTEXT"])
            if len(fields[b"KEY"]) != 32 or (mode != "ECB" and len(fields[b"IV"]) != 2 * block) or \
                    text != len(fields[b"CIPHERTEXT"]) or not text or (mode != "CTR" and text % (2 * block)):
                raise VectorImportError(f"{src}: record COUNT {fields[b'COUNT']!r} has bad lengths")
        if len(records) != expected or count_records(data, b"COUNT") != expected:
            raise VectorImportError(f"{src}: {len(records)} records, expected {expected}")
        if name[:3] != mode or name[:-len(".rsp")][-1] != "e":
            raise VectorImportError(f"output name {name} does not encode its mode")
        written[dirs[folder] / name] = data
        origins[dirs[folder] / name] = (PUB_NAMED_CIPHERS[folder], f"ciphers/{original}")
        totals[folder] = totals.get(folder, 0) + expected
    for folder, total in totals.items():
        report.append(f"  {folder:<7} {total:5d} records ([ENCRYPT] only)")
def variable_key_to_nist(src, data, expected, key_bytes, has_iv):
    """A Blowfish or CAST5 file in NIST form (see VARIABLE_KEY_FILES), its records checked."""
    lines = data.splitlines(keepends=True)
    newline = b"\r\n" if lines and lines[0].endswith(b"\r\n") else b"\n"
    heads = [line.strip() for line in lines if line.startswith(b"[")]
    if heads not in ([], [b"[ENCRYPT]"]):
        raise VectorImportError(f"{src}: expected at most one [ENCRYPT] head line, found {heads}")
    out, headed = [], bool(heads)
    for line in lines:
        match = re.match(rb"^([A-Za-z]+)(\s*=.*)$", line, re.S)
        if match and not headed:
            out += [b"[ENCRYPT]" + newline, newline]
            headed = True
        out.append(match.group(1).upper() + match.group(2) if match else line)
    converted = b"".join(out)
    start = next(i for i, line in enumerate(out) if line.startswith(b"["))
    body = [line for line in out[start:] if not line.startswith(b"#")]
    records = split_records(body)
    want = sorted([b"CIPHERTEXT", b"COUNT", b"KEY", b"PLAINTEXT"] + ([b"IV"] if has_iv else []))
    for record in records:
        fields = dict((b"".join(part.split()) for part in line.split(b"=", 1)) for line in record)
        if sorted(fields) != want:
            raise VectorImportError(f"{src}: record with fields {sorted(fields)}")
        if len(fields[b"KEY"]) // 2 not in key_bytes or len(fields[b"KEY"]) % 2:
            raise VectorImportError(f"{src}: record COUNT {fields[b'COUNT']!r} has a key of another length")
        if len(fields[b"PLAINTEXT"]) != len(fields[b"CIPHERTEXT"]) or (has_iv and len(fields[b"IV"]) != 16):
            raise VectorImportError(f"{src}: record COUNT {fields[b'COUNT']!r} has bad lengths")
    if len(records) != expected or count_records(converted, b"COUNT") != expected:
        raise VectorImportError(f"{src}: {len(records)} records, expected {expected}")
    return converted


def import_variable_key(source, dirs, written, origins, report):
    totals = {}
    for folder, original, name, expected, key_bytes, has_iv in VARIABLE_KEY_FILES:
        src = source / "ciphers" / original
        if not src.is_file():
            raise VectorImportError(f"missing source file {src}")
        out_dir = dirs[folder]
        written[out_dir / name] = variable_key_to_nist(src, src.read_bytes(), expected, key_bytes, has_iv)
        origins[out_dir / name] = (PUB_VARIABLE_KEY[folder], f"ciphers/{original}")
        totals[folder] = totals.get(folder, 0) + expected
    for folder, total in totals.items():
        report.append(f"  {folder:8s}{total:4d} records (ECB, CBC, CFB64, OFB{', CTR' if folder == 'CAST5' else ''})")


def remove_stale(out_dirs, written, report):
    for directory in out_dirs:
        for path in sorted(directory.glob("*")):
            if path.is_file() and path not in written:
                path.unlink()
                report.append(f"  removed stale {path}")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", help="cryptography_vectors folder (default: the Debian package's)")
    parser.add_argument("--hmac", default=str(DEFAULT_HMAC), help=f"HMAC.rsp to import (default: {DEFAULT_HMAC})")
    parser.add_argument("--ctr", default=str(DEFAULT_CTR), help=f"SP 800-38A CTR file (default: {DEFAULT_CTR})")
    parser.add_argument("--wycheproof", default=str(DEFAULT_WYCHEPROOF),
                        help=f"Wycheproof folder with testvectors_v1/ and LICENSE (default: {DEFAULT_WYCHEPROOF})")
    parser.add_argument("--output", default=str(DEFAULT_OUTPUT), help=f"output folder (default: {DEFAULT_OUTPUT})")
    args = parser.parse_args(argv)

    try:
        source = find_source(args.source)
        output = Path(args.output)
        dirs = {
            name: output / f"KAT_{name}"
            for name in ("AES", "AES_CTR", "SHA", "SHA_MONTE", "HMAC", "CAMELLIA", "SHA3", "SHA3_MONTE",
                         "CMAC", "KEYWRAP")
        }
        dirs.update({name: output / f"KAT_{name}" for name in ("TDES", "CAMELLIA_NIST")})
        dirs["GCM"] = output / "KAT_GCM"
        dirs["CCM"] = output / "KAT_CCM"
        dirs.update({name: output / f"KAT_{name}" for name in ("HMAC_RFC", "HKDF", "PBKDF2")})
        dirs["XTS"] = output / "KAT_XTS"
        dirs["HASHES"] = output / "KAT_HASHES"
        dirs.update({name: output / f"KAT_{name}" for name in ("CHACHA20", "POLY1305", "CHACHA20_POLY1305", "RC4")})
        dirs["WYCHEPROOF"] = output / "WYCHEPROOF"
        dirs.update({name: output / f"KAT_{name}" for name in ("SM4", "SEED", "IDEA")})
        dirs.update({name: output / f"KAT_{name}" for name in ("BLOWFISH", "CAST5")})
        dirs["SHAKE"] = output / "KAT_SHAKE"
        # Nothing is written until every check has passed.
        written = {}
        origins = {}
        report = []
        import_aes(source, dirs["AES"], written, origins, report)
        import_ctr(source, Path(args.ctr), dirs["AES_CTR"], written, origins, report)
        import_sha(source, dirs["SHA"], written, origins, report)
        import_sha_monte(source, dirs["SHA_MONTE"], written, origins, report)
        import_hmac(Path(args.hmac), dirs["HMAC"], written, origins, report)
        import_camellia(source, dirs["CAMELLIA"], written, origins, report)
        import_sha(source, dirs["SHA3"], written, origins, report, SHA3_FILES, PUB_SHA3)
        import_sha_monte(source, dirs["SHA3_MONTE"], written, origins, report, SHA3_MONTE_FILES, PUB_SHA3_MONTE,
                         "SHA-3")
        import_rfc_hmac(source, dirs["HMAC_RFC"], written, origins, report)
        import_other_hashes(source, dirs["HASHES"], written, origins, report)
        import_primitives(source, dirs, written, origins, report)
        import_hkdf(source, dirs["HKDF"], written, origins, report)
        import_pbkdf2(source, dirs["PBKDF2"], written, origins, report)
        import_cmac(source, dirs["CMAC"], written, origins, report)
        import_keywrap(source, dirs["KEYWRAP"], written, origins, report)
        import_tdes(source, dirs["TDES"], written, origins, report)
        import_camellia_nist(source, dirs["CAMELLIA_NIST"], written, origins, report)
        import_xts(source, dirs["XTS"], written, origins, report)
        import_gcm(source, dirs["GCM"], written, origins, report)
        import_ccm(source, dirs["CCM"], written, origins, report)
        import_wycheproof(Path(args.wycheproof), dirs["WYCHEPROOF"], written, origins, report)
        import_named_ciphers(source, dirs, written, origins, report)
        import_variable_key(source, dirs, written, origins, report)
        import_shake(source, dirs["SHAKE"], written, origins, report)
        write_all(written)
        remove_stale(dirs.values(), written, report)
        listed = write_manifest(output.parent, origins)
        report.append(f"  MANIFEST {listed} files")
    except (VectorImportError, OSError) as exc:
        print(f"import_vectors: error: {exc}", file=sys.stderr)
        return 1

    print(f"import_vectors: wrote {len(written)} files below {output} (source {source})")
    for name, directory in dirs.items():
        print(f"  {directory}: {sum(1 for p in written if p.parent == directory)} files")
    print("\n".join(report))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
