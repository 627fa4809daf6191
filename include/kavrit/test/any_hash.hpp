#pragma once

/// @file
/// A hash behind virtual calls, as kavrit/test/any_block_cipher.hpp is for block ciphers: every
/// suite builder of a digest type D hands `anyHash<D>()` to the library. Digests travel as
/// `Digest` values that keep D's own equality and text form; HMAC goes through `kavrit::hmac` and
/// `kavrit::hmacStrict`, and HKDF and PBKDF2 through `kavrit::hkdf...` and `kavrit::pbkdf2`, so a
/// digest type's own HMAC and key derivation members are what gets tested.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/kdf.hpp"

namespace kavrit::test {

namespace detail {
/// One digest of some digest type.
class DigestValue {
 public:
  virtual ~DigestValue() = default;
  [[nodiscard]] virtual ByteString serialize() const = 0;
  /// The digest type's own text form (see kavrit::digestText).
  [[nodiscard]] virtual std::string text() const = 0;
  /// The digest type's equality; false for a digest of another type.
  [[nodiscard]] virtual bool equals(const DigestValue& other) const = 0;
};
}  // namespace detail

/// A digest of any type: compares with the type's own `==` and prints as the type prints itself.
class Digest {
 public:
  explicit Digest(std::shared_ptr<const detail::DigestValue> value) : value_(std::move(value)) {}
  [[nodiscard]] ByteString serialize() const { return value_->serialize(); }
  [[nodiscard]] std::string text() const { return value_->text(); }
  friend bool operator==(const Digest& a, const Digest& b) { return a.value_->equals(*b.value_); }
  friend std::ostream& operator<<(std::ostream& os, const Digest& digest) {
    return os << digest.text();
  }

 private:
  std::shared_ptr<const detail::DigestValue> value_;
};

/// A digest type's static side. One object per digest type, made on first use; it holds no
/// digest.
class AnyHash {
 public:
  virtual ~AnyHash() = default;
  /// Lengths in bits, as the digest type reports them.
  [[nodiscard]] virtual long outputLength() const = 0;
  [[nodiscard]] virtual long blockLength() const = 0;
  [[nodiscard]] virtual Digest hash(const LazyByteString& message) const = 0;
  [[nodiscard]] virtual Digest hashStrict(const ByteString& message) const = 0;
  /// `D::parse`; nothing when it gives no digest.
  [[nodiscard]] virtual std::optional<Digest> parse(const ByteString& bytes) const = 0;
  /// The serialised digests, without a Digest in between (the known-answer loops).
  [[nodiscard]] virtual ByteString hashBytes(const LazyByteString& message) const = 0;
  [[nodiscard]] virtual ByteString hashStrictBytes(const ByteString& message) const = 0;
  /// `kavrit::hmac` and `kavrit::hmacStrict` with a key of these bytes.
  [[nodiscard]] virtual Digest hmac(const ByteString& key, const LazyByteString& message) const = 0;
  [[nodiscard]] virtual Digest hmacStrict(const ByteString& key,
                                          const ByteString& message) const = 0;
  /// The HMAC hooks the digest type brings itself (see kavrit::ownHashHooks).
  [[nodiscard]] virtual std::vector<std::string_view> ownHooks() const = 0;
  /// `kavrit::hkdfExtract`, `hkdfExpand`, `hkdf` and `pbkdf2` over the digest type.
  [[nodiscard]] virtual ByteString hkdfExtract(const ByteString& salt,
                                               const ByteString& ikm) const = 0;
  [[nodiscard]] virtual ByteString hkdfExpand(const ByteString& prk, const ByteString& info,
                                              std::size_t length) const = 0;
  [[nodiscard]] virtual ByteString hkdf(const ByteString& salt, const ByteString& ikm,
                                        const ByteString& info, std::size_t length) const = 0;
  [[nodiscard]] virtual ByteString pbkdf2(const ByteString& password, const ByteString& salt,
                                          std::uint64_t iterations, std::size_t length) const = 0;
  /// The key derivation hooks the digest type brings itself (see kavrit::ownKDFHooks).
  [[nodiscard]] virtual std::vector<std::string_view> ownKDFHooks() const = 0;
};

/// Which HMAC a suite tests: "own hmac/hmacStrict", "kavrit hmac/hmacStrict" or a mix.
std::string describeHMACImplementations(const AnyHash& hash);
/// Which HKDF a suite tests, in the same form: "kavrit hkdfExtract/hkdfExpand/hkdf", "own hkdf,
/// kavrit hkdfExtract/hkdfExpand", ...
std::string describeHKDFImplementations(const AnyHash& hash);
/// Which PBKDF2 a suite tests: "own pbkdf2" or "kavrit pbkdf2".
std::string describePBKDF2Implementation(const AnyHash& hash);

namespace detail {

template <Hash D>
class DigestModel final : public DigestValue {
 public:
  explicit DigestModel(D digest) : digest_(std::move(digest)) {}
  ByteString serialize() const override { return digest_.serialize(); }
  std::string text() const override { return digestText(digest_); }
  bool equals(const DigestValue& other) const override {
    const auto* same = dynamic_cast<const DigestModel*>(&other);
    return same != nullptr && static_cast<bool>(digest_ == same->digest_);
  }

 private:
  D digest_;
};

template <Hash D>
Digest digestOf(D digest) {
  return Digest(std::make_shared<const DigestModel<D>>(std::move(digest)));
}

template <Hash D>
class HashModel final : public AnyHash {
 public:
  long outputLength() const override { return static_cast<long>(D::outputLength()); }
  long blockLength() const override { return static_cast<long>(D::blockLength()); }
  Digest hash(const LazyByteString& message) const override {
    return digestOf<D>(D::hash(message));
  }
  Digest hashStrict(const ByteString& message) const override {
    return digestOf<D>(D::hashStrict(message));
  }
  std::optional<Digest> parse(const ByteString& bytes) const override {
    std::optional<D> digest = D::parse(bytes);
    if (!digest) return std::nullopt;
    return digestOf<D>(std::move(*digest));
  }
  ByteString hashBytes(const LazyByteString& message) const override {
    return D::hash(message).serialize();
  }
  ByteString hashStrictBytes(const ByteString& message) const override {
    return D::hashStrict(message).serialize();
  }
  Digest hmac(const ByteString& key, const LazyByteString& message) const override {
    return digestOf<D>(kavrit::hmac(MacKey<D>(key), message));
  }
  Digest hmacStrict(const ByteString& key, const ByteString& message) const override {
    return digestOf<D>(kavrit::hmacStrict(MacKey<D>(key), message));
  }
  std::vector<std::string_view> ownHooks() const override { return ownHashHooks<D>(); }
  ByteString hkdfExtract(const ByteString& salt, const ByteString& ikm) const override {
    return kavrit::hkdfExtract<D>(salt, ikm);
  }
  ByteString hkdfExpand(const ByteString& prk, const ByteString& info,
                        std::size_t length) const override {
    return kavrit::hkdfExpand<D>(prk, info, length);
  }
  ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                  std::size_t length) const override {
    return kavrit::hkdf<D>(salt, ikm, info, length);
  }
  ByteString pbkdf2(const ByteString& password, const ByteString& salt, std::uint64_t iterations,
                    std::size_t length) const override {
    return kavrit::pbkdf2<D>(password, salt, iterations, length);
  }
  std::vector<std::string_view> ownKDFHooks() const override { return kavrit::ownKDFHooks<D>(); }
};

}  // namespace detail

/// The hash of digest type D, made once per type.
template <Hash D>
const AnyHash& anyHash() {
  static const detail::HashModel<D> model;
  return model;
}

}  // namespace kavrit::test
