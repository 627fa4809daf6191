#pragma once

/// @file
/// Block-cipher modes over any `BlockCipher`: ECB, and CBC, CFB, OFB and CTR with an IV. Each has a
/// strict form over `ByteString` and a `Lazy` form over `LazyByteString`. All modes work on whole
/// blocks; an input that is not a whole number of blocks is rejected with std::invalid_argument.
///
/// A key type may bring its own implementation of any mode by defining a const member of the same
/// name and shape; the free function then calls that member instead of the generic implementation
/// here. The shapes, for a key type K:
///
///     ByteString ecb(const ByteString&) const;                 // and unEcb
///     LazyByteString ecbLazy(const LazyByteString&) const;     // and unEcbLazy
///     std::pair<ByteString, IV<K>> cbc(const IV<K>&, const ByteString&) const;
///     std::pair<LazyByteString, IV<K>> cbcLazy(const IV<K>&, const LazyByteString&) const;
///
/// and the same for unCbc, cfb, unCfb, ofb, unOfb, ctr and unCtr with their Lazy forms. A member
/// with one of these names but another shape (not const, another return type, other parameters)
/// is a compile-time error naming the hook, never silently passed over. `ownModeHooks<K>()` lists
/// the hooks a key type brings. CFB and OFB use full-block feedback; CTR increments the whole IV
/// block as one big-endian counter.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// block_cipher.hpp includes this header at its end, after BlockCipher and IV; including it here
// as well lets this header be included on its own.
#include "kavrit/block_cipher.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

namespace detail {

inline void requireWholeBlocks(const char* mode, std::size_t n, std::size_t b) {
  if (n % b != 0) {
    throw std::invalid_argument(std::string(mode) + ": input of " + std::to_string(n) +
                                " bytes is not a whole number of " + std::to_string(b) +
                                "-byte blocks");
  }
}

// A cipher that returns the wrong number of bytes would otherwise make the modes read or write
// out of bounds; report it as the implementation's fault instead.
inline void requireLength(const char* operation, const ByteString& got, std::size_t want) {
  if (got.size() != want) {
    throw std::logic_error(std::string(operation) + " returned " + std::to_string(got.size()) +
                           " bytes for an input of " + std::to_string(want) + " bytes");
  }
}

// The generic modes below need of a key only encryptBlock and decryptBlock, so they serve any key
// type and the library's run-time keys alike.
template <class Key>
ByteString encryptChecked(const Key& key, const ByteString& in) {
  ByteString out = key.encryptBlock(in);
  requireLength("encryptBlock", out, in.size());
  return out;
}

template <class Key>
ByteString decryptChecked(const Key& key, const ByteString& in) {
  ByteString out = key.decryptBlock(in);
  requireLength("decryptBlock", out, in.size());
  return out;
}

inline void appendXor(ByteString& out, const std::uint8_t* a, const ByteString& b) {
  for (std::size_t i = 0; i < b.size(); ++i) out.push_back(static_cast<std::uint8_t>(a[i] ^ b[i]));
}

// Each step consumes a run of whole blocks and appends the same number of bytes to `out`,
// carrying its chaining state from one run to the next.
template <class Key>
struct EcbEncryptStep {
  const Key& key;
  void operator()(const std::uint8_t* p, std::size_t n, ByteString& out) {
    const ByteString r = encryptChecked(key, ByteString(p, p + n));
    out.insert(out.end(), r.begin(), r.end());
  }
};

template <class Key>
struct EcbDecryptStep {
  const Key& key;
  void operator()(const std::uint8_t* p, std::size_t n, ByteString& out) {
    const ByteString r = decryptChecked(key, ByteString(p, p + n));
    out.insert(out.end(), r.begin(), r.end());
  }
};

template <class Key>
struct CbcEncryptStep {
  const Key& key;
  ByteString state;
  void operator()(const std::uint8_t* p, std::size_t n, ByteString& out) {
    const std::size_t b = state.size();
    ByteString x(b);
    for (std::size_t off = 0; off < n; off += b) {
      for (std::size_t i = 0; i < b; ++i) x[i] = static_cast<std::uint8_t>(p[off + i] ^ state[i]);
      state = encryptChecked(key, x);
      out.insert(out.end(), state.begin(), state.end());
    }
  }
};

template <class Key>
struct CbcDecryptStep {
  const Key& key;
  ByteString state;
  void operator()(const std::uint8_t* p, std::size_t n, ByteString& out) {
    const std::size_t b = state.size();
    for (std::size_t off = 0; off < n; off += b) {
      ByteString c(p + off, p + off + b);
      appendXor(out, decryptChecked(key, c).data(), state);
      state = std::move(c);
    }
  }
};

template <class Key>
struct CfbEncryptStep {
  const Key& key;
  ByteString state;
  void operator()(const std::uint8_t* p, std::size_t n, ByteString& out) {
    const std::size_t b = state.size();
    for (std::size_t off = 0; off < n; off += b) {
      const ByteString stream = encryptChecked(key, state);
      const std::size_t start = out.size();
      appendXor(out, p + off, stream);
      state.assign(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
    }
  }
};

template <class Key>
struct CfbDecryptStep {
  const Key& key;
  ByteString state;
  void operator()(const std::uint8_t* p, std::size_t n, ByteString& out) {
    const std::size_t b = state.size();
    for (std::size_t off = 0; off < n; off += b) {
      appendXor(out, p + off, encryptChecked(key, state));
      state.assign(p + off, p + off + b);
    }
  }
};

template <class Key>
struct OfbStep {
  const Key& key;
  ByteString state;
  void operator()(const std::uint8_t* p, std::size_t n, ByteString& out) {
    const std::size_t b = state.size();
    for (std::size_t off = 0; off < n; off += b) {
      state = encryptChecked(key, state);
      appendXor(out, p + off, state);
    }
  }
};

template <class Key>
struct CtrStep {
  const Key& key;
  ByteString state;
  void operator()(const std::uint8_t* p, std::size_t n, ByteString& out) {
    const std::size_t b = state.size();
    for (std::size_t off = 0; off < n; off += b) {
      appendXor(out, p + off, encryptChecked(key, state));
      // Big-endian increment of the whole block, wrapping at the top.
      for (std::size_t i = b; i-- > 0;) {
        if (++state[i] != 0) break;
      }
    }
  }
};

template <class Step>
ByteString runStrict(const char* mode, std::size_t b, const ByteString& in, Step& step) {
  requireWholeBlocks(mode, in.size(), b);
  ByteString out;
  out.reserve(in.size());
  if (!in.empty()) step(in.data(), in.size(), out);
  return out;
}

// Walks the chunks as one stream of blocks; a block that straddles a chunk boundary is gathered
// first. One output chunk per input chunk in which at least one block completes.
template <class Step>
LazyByteString runLazy(const char* mode, std::size_t b, const LazyByteString& in, Step& step) {
  requireWholeBlocks(mode, in.size(), b);
  LazyByteString out;
  ByteString carry;
  carry.reserve(b);
  for (const ByteString& chunk : in.chunks()) {
    ByteString piece;
    std::size_t i = 0;
    if (!carry.empty()) {
      i = std::min(b - carry.size(), chunk.size());
      carry.insert(carry.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(i));
      if (carry.size() == b) {
        step(carry.data(), b, piece);
        carry.clear();
      }
    }
    const std::size_t whole = (chunk.size() - i) / b * b;
    if (whole > 0) step(chunk.data() + i, whole, piece);
    i += whole;
    carry.insert(carry.end(), chunk.begin() + static_cast<std::ptrdiff_t>(i), chunk.end());
    out.append(std::move(piece));
  }
  return out;
}

template <BlockCipher K>
IV<K> ivFrom(const ByteString& state) {
  return IV<K>::parse(state).value();
}

// Hook detection. `own_X<K>` holds when K has the member X in the documented shape, so the mode
// calls it; `names_X<K>` when K has a member called X at all: its address can be taken (one
// non-template member) or it can be called with the hook's arguments on a non-const key.
// `requireHookShape_X<K>()` fails to compile, naming the hook and its shape, for a type that names
// a hook without its shape; every path that looks for the hook goes through it.
#define KAVRIT_ECB_HOOK(NAME, DATA) KAVRIT_CONSTRUCTION_HOOK(NAME, DATA, DATA, "mode")

#define KAVRIT_CHAINED_HOOK(NAME, DATA)                                                        \
  template <class K>                                                                           \
  inline constexpr bool own_##NAME = requires(const K& key, const IV<K>& iv, const DATA& in) { \
    { key.NAME(iv, in) } -> std::same_as<std::pair<DATA, IV<K>>>;                              \
  };                                                                                           \
  template <class K>                                                                           \
  inline constexpr bool names_##NAME =                                                         \
      (requires { &K::NAME; }) ||                                                              \
      (requires(K & key, const IV<K>& iv, const DATA& in) { key.NAME(iv, in); });              \
  template <class K>                                                                           \
  constexpr void requireHookShape_##NAME() {                                                   \
    static_assert(own_##NAME<K> || !names_##NAME<K>,                                           \
                  "the key type has a member named `" #NAME                                    \
                  "` that kavrit cannot call as its "                                          \
                  "own mode: the hook must be `std::pair<" #DATA ", IV<K>> " #NAME             \
                  "(const IV<K>&, const " #DATA "&) const`");                                  \
  }

KAVRIT_ECB_HOOK(ecb, ByteString)
KAVRIT_ECB_HOOK(unEcb, ByteString)
KAVRIT_ECB_HOOK(ecbLazy, LazyByteString)
KAVRIT_ECB_HOOK(unEcbLazy, LazyByteString)
#define KAVRIT_CHAINED_HOOKS(NAME)      \
  KAVRIT_CHAINED_HOOK(NAME, ByteString) \
  KAVRIT_CHAINED_HOOK(NAME##Lazy, LazyByteString)
KAVRIT_CHAINED_HOOKS(cbc)
KAVRIT_CHAINED_HOOKS(unCbc)
KAVRIT_CHAINED_HOOKS(cfb)
KAVRIT_CHAINED_HOOKS(unCfb)
KAVRIT_CHAINED_HOOKS(ofb)
KAVRIT_CHAINED_HOOKS(unOfb)
KAVRIT_CHAINED_HOOKS(ctr)
KAVRIT_CHAINED_HOOKS(unCtr)
#undef KAVRIT_CHAINED_HOOKS
#undef KAVRIT_CHAINED_HOOK
#undef KAVRIT_ECB_HOOK

}  // namespace detail

/// ECB encryption of whole blocks.
template <BlockCipher K>
ByteString ecb(const K& key, const ByteString& in) {
  detail::requireHookShape_ecb<K>();
  if constexpr (detail::own_ecb<K>) {
    return key.ecb(in);
  } else {
    detail::EcbEncryptStep<K> step{key};
    return detail::runStrict("ecb", blockBytes<K>(), in, step);
  }
}

/// ECB decryption of whole blocks.
template <BlockCipher K>
ByteString unEcb(const K& key, const ByteString& in) {
  detail::requireHookShape_unEcb<K>();
  if constexpr (detail::own_unEcb<K>) {
    return key.unEcb(in);
  } else {
    detail::EcbDecryptStep<K> step{key};
    return detail::runStrict("unEcb", blockBytes<K>(), in, step);
  }
}

/// ECB encryption of a lazy input; blocks may straddle chunk boundaries.
template <BlockCipher K>
LazyByteString ecbLazy(const K& key, const LazyByteString& in) {
  detail::requireHookShape_ecbLazy<K>();
  if constexpr (detail::own_ecbLazy<K>) {
    return key.ecbLazy(in);
  } else {
    detail::EcbEncryptStep<K> step{key};
    return detail::runLazy("ecbLazy", blockBytes<K>(), in, step);
  }
}

/// ECB decryption of a lazy input.
template <BlockCipher K>
LazyByteString unEcbLazy(const K& key, const LazyByteString& in) {
  detail::requireHookShape_unEcbLazy<K>();
  if constexpr (detail::own_unEcbLazy<K>) {
    return key.unEcbLazy(in);
  } else {
    detail::EcbDecryptStep<K> step{key};
    return detail::runLazy("unEcbLazy", blockBytes<K>(), in, step);
  }
}

// The chained modes differ only in their step; each returns (output, next IV).
#define KAVRIT_CHAINED_MODE(NAME, STEP)                                                    \
  template <BlockCipher K>                                                                 \
  std::pair<ByteString, IV<K>> NAME(const K& key, const IV<K>& iv, const ByteString& in) { \
    detail::requireHookShape_##NAME<K>();                                                  \
    if constexpr (detail::own_##NAME<K>) {                                                 \
      return key.NAME(iv, in);                                                             \
    } else {                                                                               \
      detail::STEP<K> step{key, iv.bytes()};                                               \
      ByteString out = detail::runStrict(#NAME, blockBytes<K>(), in, step);                \
      return {std::move(out), detail::ivFrom<K>(step.state)};                              \
    }                                                                                      \
  }                                                                                        \
  template <BlockCipher K>                                                                 \
  std::pair<LazyByteString, IV<K>> NAME##Lazy(const K& key, const IV<K>& iv,               \
                                              const LazyByteString& in) {                  \
    detail::requireHookShape_##NAME##Lazy<K>();                                            \
    if constexpr (detail::own_##NAME##Lazy<K>) {                                           \
      return key.NAME##Lazy(iv, in);                                                       \
    } else {                                                                               \
      detail::STEP<K> step{key, iv.bytes()};                                               \
      LazyByteString out = detail::runLazy(#NAME "Lazy", blockBytes<K>(), in, step);       \
      return {std::move(out), detail::ivFrom<K>(step.state)};                              \
    }                                                                                      \
  }

/// CBC encryption and decryption (`cbc`, `cbcLazy`, `unCbc`, `unCbcLazy`).
KAVRIT_CHAINED_MODE(cbc, CbcEncryptStep)
KAVRIT_CHAINED_MODE(unCbc, CbcDecryptStep)
/// CFB with full-block feedback.
KAVRIT_CHAINED_MODE(cfb, CfbEncryptStep)
KAVRIT_CHAINED_MODE(unCfb, CfbDecryptStep)
/// OFB; decryption is the same keystream.
KAVRIT_CHAINED_MODE(ofb, OfbStep)
KAVRIT_CHAINED_MODE(unOfb, OfbStep)
/// CTR over the whole IV block as a big-endian counter.
KAVRIT_CHAINED_MODE(ctr, CtrStep)
KAVRIT_CHAINED_MODE(unCtr, CtrStep)

#undef KAVRIT_CHAINED_MODE

/// The mode hooks that key type K brings itself (members of the documented shape), in the order
/// ecb, unEcb, ecbLazy, unEcbLazy, cbc, cbcLazy, unCbc, ... unCtrLazy. The modes call these and
/// kavrit's generic implementation for every other entry point.
template <BlockCipher K>
std::vector<std::string_view> ownModeHooks() {
  std::vector<std::string_view> own;
  const auto add = [&own](bool has, std::string_view name) {
    if (has) own.push_back(name);
  };
  add(detail::own_ecb<K>, "ecb");
  add(detail::own_unEcb<K>, "unEcb");
  add(detail::own_ecbLazy<K>, "ecbLazy");
  add(detail::own_unEcbLazy<K>, "unEcbLazy");
#define KAVRIT_ADD_CHAINED(NAME)     \
  add(detail::own_##NAME<K>, #NAME); \
  add(detail::own_##NAME##Lazy<K>, #NAME "Lazy");
  KAVRIT_ADD_CHAINED(cbc)
  KAVRIT_ADD_CHAINED(unCbc)
  KAVRIT_ADD_CHAINED(cfb)
  KAVRIT_ADD_CHAINED(unCfb)
  KAVRIT_ADD_CHAINED(ofb)
  KAVRIT_ADD_CHAINED(unOfb)
  KAVRIT_ADD_CHAINED(ctr)
  KAVRIT_ADD_CHAINED(unCtr)
#undef KAVRIT_ADD_CHAINED
  return own;
}

}  // namespace kavrit
