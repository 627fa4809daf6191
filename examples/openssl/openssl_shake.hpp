#pragma once

// SHAKE128 and SHAKE256 over OpenSSL's EVP, adapted to kavrit::Xof.
//
// OpenSSL 3.0 cannot squeeze a little at a time: EVP_DigestFinalXOF gives one output and closes
// the context. The state keeps the absorbed context and the output given so far; a squeeze past
// it finalises a copy of the context for a longer output and keeps that. The length at least
// doubles each time, so n bytes squeezed in any number of calls cost O(n) Keccak work, at the
// price of holding the whole output in memory.

#include <openssl/evp.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <utility>

#include "kavrit/xof.hpp"

namespace kavrit::examples {

template <const EVP_MD* (*Algorithm)(), long RateBits>
class OpenSSLShake {
 public:
  static constexpr long blockLength() { return RateBits; }

  static OpenSSLShake absorbStrict(const ByteString& message) {
    OpenSSLShake state;
    state.update(message);
    return state;
  }

  /// Feeds every chunk to the one context.
  static OpenSSLShake absorb(const LazyByteString& message) {
    OpenSSLShake state;
    for (const ByteString& chunk : message.chunks()) state.update(chunk);
    return state;
  }

  ByteString squeeze(std::size_t bytes) {
    if (bytes > output_.size() - position_) extend(position_ + bytes);
    const auto from = output_.begin() + static_cast<std::ptrdiff_t>(position_);
    ByteString out(from, from + static_cast<std::ptrdiff_t>(bytes));
    position_ += bytes;
    return out;
  }

  OpenSSLShake(const OpenSSLShake& other) : ctx_(newContext()) { copyFrom(other); }
  OpenSSLShake& operator=(const OpenSSLShake& other) {
    if (this != &other) copyFrom(other);
    return *this;
  }
  OpenSSLShake(OpenSSLShake&&) noexcept = default;
  OpenSSLShake& operator=(OpenSSLShake&&) noexcept = default;
  ~OpenSSLShake() = default;

 private:
  struct Free {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
  };
  using Context = std::unique_ptr<EVP_MD_CTX, Free>;

  OpenSSLShake() : ctx_(newContext()) {
    if (EVP_DigestInit_ex(ctx_.get(), Algorithm(), nullptr) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up SHAKE");
    }
  }

  static Context newContext() {
    Context ctx(EVP_MD_CTX_new());
    if (!ctx) throw std::bad_alloc();
    return ctx;
  }

  void copyFrom(const OpenSSLShake& other) {
    if (EVP_MD_CTX_copy_ex(ctx_.get(), other.ctx_.get()) != 1) {
      throw std::runtime_error("OpenSSL: cannot copy a SHAKE context");
    }
    output_ = other.output_;
    position_ = other.position_;
  }

  void update(const ByteString& bytes) {
    if (EVP_DigestUpdate(ctx_.get(), bytes.data(), bytes.size()) != 1) {
      throw std::runtime_error("OpenSSL: SHAKE update failed");
    }
  }

  // The first `least` bytes of output or more, from a copy of the absorbed context.
  void extend(std::size_t least) {
    const std::size_t length = std::max({least, 2 * output_.size(), std::size_t{256}});
    const Context copy = newContext();
    ByteString out(length);
    if (EVP_MD_CTX_copy_ex(copy.get(), ctx_.get()) != 1 ||
        EVP_DigestFinalXOF(copy.get(), out.data(), out.size()) != 1) {
      throw std::runtime_error("OpenSSL: SHAKE output failed");
    }
    output_ = std::move(out);
  }

  Context ctx_;
  ByteString output_;
  std::size_t position_ = 0;
};

using OpenSSLShake128 = OpenSSLShake<EVP_shake128, 1344>;
using OpenSSLShake256 = OpenSSLShake<EVP_shake256, 1088>;

}  // namespace kavrit::examples
