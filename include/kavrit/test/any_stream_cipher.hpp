#pragma once

/// @file
/// A stream cipher behind virtual calls: the suite builders of a stream type S hand
/// `anyStreamCipher<S>()` to the library. The lazy entry point goes through
/// kavrit::streamApplyLazy, so a stream type's own `applyLazy` is what gets tested.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/stream_cipher.hpp"

namespace kavrit::test {

/// A keystream in progress, made by a cipher's `start`.
class AnyStream {
 public:
  virtual ~AnyStream() = default;
  /// kavrit::streamApply and kavrit::streamApplyLazy: the data XORed with the next keystream, or
  /// nothing when the counter space ends first.
  [[nodiscard]] virtual std::optional<ByteString> apply(const ByteString& data) = 0;
  [[nodiscard]] virtual std::optional<ByteString> applyLazy(const LazyByteString& data) = 0;
  /// A new stream holding a copy of the implementation's stream object, at the same place.
  [[nodiscard]] virtual std::unique_ptr<AnyStream> clone() const = 0;
};

/// A stream cipher's static side. One object per stream type, made on first use.
class AnyStreamCipher {
 public:
  virtual ~AnyStreamCipher() = default;
  /// Lengths in bits, as the stream type reports them.
  [[nodiscard]] virtual long keyLength() const = 0;
  [[nodiscard]] virtual long nonceLength() const = 0;
  [[nodiscard]] virtual long counterLength() const = 0;
  [[nodiscard]] virtual long blockLength() const = 0;
  /// kavrit::streamAcceptsKeyLength: whether start takes keys of `bits` bits.
  [[nodiscard]] virtual bool acceptsKeyLength(long bits) const = 0;
  /// `S::start`; null when it gives no stream. Whatever the implementation throws passes through.
  [[nodiscard]] virtual std::unique_ptr<AnyStream> start(const ByteString& key,
                                                         const ByteString& nonce,
                                                         std::uint64_t counter) const = 0;
  /// The lazy entry point the stream type brings itself (see kavrit::ownStreamCipherHooks).
  [[nodiscard]] virtual std::vector<std::string_view> ownHooks() const = 0;
};

/// Which lazy entry point a suite tests: "kavrit applyLazy" or "own applyLazy".
std::string describeStreamCipherImplementation(const AnyStreamCipher& cipher);

namespace detail {

template <class S>
class StreamModel final : public AnyStream {
 public:
  explicit StreamModel(S stream) : stream_(std::move(stream)) {}
  std::optional<ByteString> apply(const ByteString& data) override {
    return streamApply(stream_, data);
  }
  std::optional<ByteString> applyLazy(const LazyByteString& data) override {
    return streamApplyLazy(stream_, data);
  }
  std::unique_ptr<AnyStream> clone() const override {
    return std::make_unique<StreamModel>(stream_);
  }

 private:
  S stream_;
};

template <class S>
class StreamCipherModel final : public AnyStreamCipher {
 public:
  long keyLength() const override { return static_cast<long>(S::keyLength()); }
  long nonceLength() const override { return static_cast<long>(S::nonceLength()); }
  long counterLength() const override { return static_cast<long>(S::counterLength()); }
  long blockLength() const override { return static_cast<long>(S::blockLength()); }
  bool acceptsKeyLength(long bits) const override { return streamAcceptsKeyLength<S>(bits); }
  std::unique_ptr<AnyStream> start(const ByteString& key, const ByteString& nonce,
                                   std::uint64_t counter) const override {
    std::optional<S> stream = S::start(key, nonce, counter);
    if (!stream) return nullptr;
    return std::make_unique<StreamModel<S>>(std::move(*stream));
  }
  std::vector<std::string_view> ownHooks() const override { return ownStreamCipherHooks<S>(); }
};

}  // namespace detail

/// The stream cipher of stream type S, made once per type. An `apply` or `applyLazy` of the
/// wrong shape fails to compile here, naming the shape.
template <class S>
const AnyStreamCipher& anyStreamCipher() {
  requireStreamCipherShape<S>();
  static_assert(StreamCipher<S>,
                "the type is not a kavrit::StreamCipher: see kavrit/stream_cipher.hpp for the "
                "members it needs");
  static const detail::StreamCipherModel<S> model;
  return model;
}

}  // namespace kavrit::test
