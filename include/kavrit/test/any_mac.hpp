#pragma once

/// @file
/// A MAC behind virtual calls: the suite builders of a MAC key type M hand `anyMac<M>()` to the
/// library. The lazy entry point goes through kavrit::macTagLazy, so a key type's own `tagLazy`
/// is what gets tested.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/mac.hpp"

namespace kavrit::test {

/// A key built by a MAC's `buildKey`.
class AnyMacKey {
 public:
  virtual ~AnyMacKey() = default;
  /// kavrit::macTag and kavrit::macTagLazy.
  [[nodiscard]] virtual ByteString tag(const ByteString& message) const = 0;
  [[nodiscard]] virtual ByteString tagLazy(const LazyByteString& message) const = 0;
  /// A new key holding a copy of the implementation's key object (its copy constructor).
  [[nodiscard]] virtual std::unique_ptr<const AnyMacKey> clone() const = 0;
};

/// A MAC's static side. One object per key type, made on first use; it holds no key.
class AnyMac {
 public:
  virtual ~AnyMac() = default;
  /// Lengths in bits, as the key type reports them.
  [[nodiscard]] virtual long keyLength() const = 0;
  [[nodiscard]] virtual long tagLength() const = 0;
  /// `M::buildKey`; null when it gives no key. Whatever the implementation throws passes through.
  [[nodiscard]] virtual std::unique_ptr<const AnyMacKey> buildKey(
      const ByteString& bytes) const = 0;
  /// The lazy entry point the key type brings itself (see kavrit::ownMacHooks).
  [[nodiscard]] virtual std::vector<std::string_view> ownHooks() const = 0;
};

/// Which lazy entry point a suite tests: "kavrit tagLazy" or "own tagLazy".
std::string describeMACImplementation(const AnyMac& mac);

namespace detail {

template <class M>
class MacKeyModel final : public AnyMacKey {
 public:
  explicit MacKeyModel(M key) : key_(std::move(key)) {}
  ByteString tag(const ByteString& message) const override { return macTag(key_, message); }
  ByteString tagLazy(const LazyByteString& message) const override {
    return macTagLazy(key_, message);
  }
  std::unique_ptr<const AnyMacKey> clone() const override {
    return std::make_unique<const MacKeyModel>(key_);
  }

 private:
  M key_;
};

template <class M>
class MacModel final : public AnyMac {
 public:
  long keyLength() const override { return static_cast<long>(M::keyLength()); }
  long tagLength() const override { return static_cast<long>(M::tagLength()); }
  std::unique_ptr<const AnyMacKey> buildKey(const ByteString& bytes) const override {
    std::optional<M> key = M::buildKey(bytes);
    if (!key) return nullptr;
    return std::make_unique<const MacKeyModel<M>>(std::move(*key));
  }
  std::vector<std::string_view> ownHooks() const override { return ownMacHooks<M>(); }
};

}  // namespace detail

/// The MAC of key type M, made once per type. A `tag` or `tagLazy` of the wrong shape fails to
/// compile here, naming the shape.
template <class M>
const AnyMac& anyMac() {
  requireMacShape<M>();
  static_assert(Mac<M>,
                "the type is not a kavrit::Mac: see kavrit/mac.hpp for the members it needs");
  static const detail::MacModel<M> model;
  return model;
}

}  // namespace kavrit::test
