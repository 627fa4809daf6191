#pragma once

/// @file
/// A hash behind virtual calls, as kavrit/test/any_block_cipher.hpp is for block ciphers: every
/// suite builder of a digest type D hands `anyHash<D>()` to the library. Digests travel as
/// `Digest` values that keep D's own equality and text form; HMAC goes through `kavrit::hmac` and
/// `kavrit::hmacStrict`, so a digest type's own HMAC members are what gets tested.

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/hash.hpp"

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
};

/// Which HMAC a suite tests: "own hmac/hmacStrict", "kavrit hmac/hmacStrict" or a mix.
std::string describeHMACImplementations(const AnyHash& hash);

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
};

}  // namespace detail

/// The hash of digest type D, made once per type.
template <Hash D>
const AnyHash& anyHash() {
  static const detail::HashModel<D> model;
  return model;
}

}  // namespace kavrit::test
