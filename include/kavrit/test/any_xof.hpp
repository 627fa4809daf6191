#pragma once

/// @file
/// An extendable-output function behind virtual calls: the suite builders of a state type X hand
/// `anyXof<X>()` to the library. The lazy entry point goes through kavrit::xofAbsorb, so a state
/// type's own `absorb` is what gets tested.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/xof.hpp"

namespace kavrit::test {

/// A sponge that has absorbed its message.
class AnyXofState {
 public:
  virtual ~AnyXofState() = default;
  /// kavrit::xofSqueeze: the next `bytes` bytes of output.
  [[nodiscard]] virtual ByteString squeeze(std::size_t bytes) = 0;
  /// A new state holding a copy of the implementation's state object, at the same place.
  [[nodiscard]] virtual std::unique_ptr<AnyXofState> clone() const = 0;
};

/// An XOF's static side. One object per state type, made on first use.
class AnyXof {
 public:
  virtual ~AnyXof() = default;
  /// The rate in bits, as the state type reports it.
  [[nodiscard]] virtual long blockLength() const = 0;
  /// kavrit::xofAbsorbStrict and kavrit::xofAbsorb. Whatever the implementation throws passes
  /// through.
  [[nodiscard]] virtual std::unique_ptr<AnyXofState> absorbStrict(
      const ByteString& message) const = 0;
  [[nodiscard]] virtual std::unique_ptr<AnyXofState> absorb(
      const LazyByteString& message) const = 0;
  /// The lazy entry point the state type brings itself (see kavrit::ownXofHooks).
  [[nodiscard]] virtual std::vector<std::string_view> ownHooks() const = 0;

  /// absorbStrict, then one squeeze of `bytes`.
  [[nodiscard]] ByteString output(const ByteString& message, std::size_t bytes) const {
    return absorbStrict(message)->squeeze(bytes);
  }
};

/// Which lazy entry point a suite tests: "kavrit absorb" or "own absorb".
std::string describeXOFImplementation(const AnyXof& xof);

namespace detail {

template <class X>
class XofStateModel final : public AnyXofState {
 public:
  explicit XofStateModel(X state) : state_(std::move(state)) {}
  ByteString squeeze(std::size_t bytes) override { return xofSqueeze(state_, bytes); }
  std::unique_ptr<AnyXofState> clone() const override {
    return std::make_unique<XofStateModel>(state_);
  }

 private:
  X state_;
};

template <class X>
class XofModel final : public AnyXof {
 public:
  long blockLength() const override { return static_cast<long>(X::blockLength()); }
  std::unique_ptr<AnyXofState> absorbStrict(const ByteString& message) const override {
    return std::make_unique<XofStateModel<X>>(xofAbsorbStrict<X>(message));
  }
  std::unique_ptr<AnyXofState> absorb(const LazyByteString& message) const override {
    return std::make_unique<XofStateModel<X>>(xofAbsorb<X>(message));
  }
  std::vector<std::string_view> ownHooks() const override { return ownXofHooks<X>(); }
};

}  // namespace detail

/// The XOF of state type X, made once per type. An `absorb` or `squeeze` of the wrong shape fails
/// to compile here, naming the shape.
template <class X>
const AnyXof& anyXof() {
  requireXofShape<X>();
  static_assert(Xof<X>,
                "the type is not a kavrit::Xof: see kavrit/xof.hpp for the members it needs");
  static const detail::XofModel<X> model;
  return model;
}

}  // namespace kavrit::test
