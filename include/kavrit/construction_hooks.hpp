#pragma once

/// @file
/// Hook detection for the constructions' entry points (the ECB modes, CMAC, key wrap, CBC with
/// padding, XTS, GCM, CCM): a key type that has a const member of an entry point's name and
/// documented shape gets that member called instead of kavrit's generic implementation; a member
/// of that name in any other shape is a compile-time error naming the hook, never silently passed
/// over.

#include <concepts>

// Defines, in the enclosing namespace, `own_NAME<K>` (K has the hook in the shape
// `RESULT NAME(const INPUT&) const`), `names_NAME<K>` (K has a member called NAME at all: its
// address can be taken, or it can be called with the hook's argument on a non-const key) and
// `requireHookShape_NAME<K>()`, which fails to compile for a type that names the hook without its
// shape. WHAT says what the hook is, for the error ("mode", "CMAC", "key wrap").
#define KAVRIT_CONSTRUCTION_HOOK(NAME, RESULT, INPUT, WHAT)                                     \
  template <class K>                                                                            \
  inline constexpr bool own_##NAME = requires(const K& key, const INPUT& in) {                  \
    { key.NAME(in) } -> std::same_as<RESULT>;                                                   \
  };                                                                                            \
  template <class K>                                                                            \
  inline constexpr bool names_##NAME =                                                          \
      (requires { &K::NAME; }) || (requires(K & key, const INPUT& in) { key.NAME(in); });       \
  template <class K>                                                                            \
  constexpr void requireHookShape_##NAME() {                                                    \
    static_assert(own_##NAME<K> || !names_##NAME<K>, "the key type has a member named `" #NAME  \
                                                     "` that kavrit cannot call as its "        \
                                                     "own " WHAT ": the hook must be `" #RESULT \
                                                     " " #NAME "(const " #INPUT "&) const`");   \
  }

// Defines the free function `RESULT NAME(const K& key, const INPUT& in)` (in the enclosing
// namespace, with the hook's detail:: names above in scope): the key type's own member where it
// has one, otherwise `detail::GENERIC(key, blockBytes<K>(), in)`.
#define KAVRIT_HOOKED_FUNCTION(NAME, RESULT, INPUT, GENERIC) \
  template <BlockCipher K>                                   \
  RESULT NAME(const K& key, const INPUT& in) {               \
    detail::requireHookShape_##NAME<K>();                    \
    if constexpr (detail::own_##NAME<K>) {                   \
      return key.NAME(in);                                   \
    } else {                                                 \
      return detail::GENERIC(key, blockBytes<K>(), in);      \
    }                                                        \
  }

// Like KAVRIT_CONSTRUCTION_HOOK for an entry point that takes an IV before its input (CBC with
// padding): the hook is `RESULT NAME(const IV<K>&, const INPUT&) const`. IV must be declared where
// this is used.
#define KAVRIT_IV_HOOK(NAME, RESULT, INPUT, WHAT)                                               \
  template <class K>                                                                            \
  inline constexpr bool own_##NAME = requires(const K& key, const IV<K>& iv, const INPUT& in) { \
    { key.NAME(iv, in) } -> std::same_as<RESULT>;                                               \
  };                                                                                            \
  template <class K>                                                                            \
  inline constexpr bool names_##NAME =                                                          \
      (requires { &K::NAME; }) ||                                                               \
      (requires(K & key, const IV<K>& iv, const INPUT& in) { key.NAME(iv, in); });              \
  template <class K>                                                                            \
  constexpr void requireHookShape_##NAME() {                                                    \
    static_assert(own_##NAME<K> || !names_##NAME<K>,                                            \
                  "the key type has a member named `" #NAME                                     \
                  "` that kavrit cannot call as its own " WHAT ": the hook must be `" #RESULT   \
                  " " #NAME "(const IV<K>&, const " #INPUT "&) const`");                        \
  }

// Like KAVRIT_CONSTRUCTION_HOOK for an entry point of two keys of the same type, a 16-byte value
// and data (XTS): the hook is `ByteString NAME(const K& other, const ByteString& value, const
// ByteString& data) const`, called on the first key with the second. SHAPE is the documented
// shape as the error shows it.
#define KAVRIT_TWO_KEY_HOOK(NAME, SHAPE, WHAT)                                                    \
  template <class K>                                                                              \
  inline constexpr bool own_##NAME = requires(const K& key, const ByteString& value) {            \
    { key.NAME(key, value, value) } -> std::same_as<ByteString>;                                  \
  };                                                                                              \
  template <class K>                                                                              \
  inline constexpr bool names_##NAME =                                                            \
      (requires { &K::NAME; }) ||                                                                 \
      (requires(K & key, const ByteString& value) { key.NAME(key, value, value); });              \
  template <class K>                                                                              \
  constexpr void requireHookShape_##NAME() {                                                      \
    static_assert(own_##NAME<K> || !names_##NAME<K>,                                              \
                  "the key type has a member named `" #NAME                                       \
                  "` that kavrit cannot call as its own " WHAT ": the hook must be `" SHAPE "`"); \
  }

// Like KAVRIT_CONSTRUCTION_HOOK for the entry points that take four inputs (GCM, CCM): the
// hook has the shape `RESULT NAME(const A1&, const A2&, const A3&, A4) const`, which SHAPE spells
// out for the error.
#define KAVRIT_CONSTRUCTION_HOOK4(NAME, RESULT, A1, A2, A3, A4, SHAPE, WHAT)                \
  template <class K>                                                                        \
  inline constexpr bool own_##NAME =                                                        \
      requires(const K& key, const A1& a, const A2& b, const A3& c, const A4& d) {          \
    { key.NAME(a, b, c, d) } -> std::same_as<RESULT>;                                       \
  };                                                                                        \
  template <class K>                                                                        \
  inline constexpr bool names_##NAME =                                                      \
      (requires { &K::NAME; }) || (requires(K & key, const A1& a, const A2& b, const A3& c, \
                                            const A4& d) { key.NAME(a, b, c, d); });        \
  template <class K>                                                                        \
  constexpr void requireHookShape_##NAME() {                                                \
    static_assert(own_##NAME<K> || !names_##NAME<K>,                                        \
                  "the key type has a member named `" #NAME                                 \
                  "` that kavrit cannot call as its "                                       \
                  "own " WHAT ": the hook must be `" SHAPE "`");                            \
  }

// The free function of a four-input hook: the key type's own member where it has one, otherwise
// `detail::GENERIC(key, blockBytes<K>(), a, b, c, d)`.
#define KAVRIT_HOOKED_FUNCTION4(NAME, RESULT, A1, A2, A3, A4, GENERIC)            \
  template <BlockCipher K>                                                        \
  RESULT NAME(const K& key, const A1& a, const A2& b, const A3& c, const A4& d) { \
    detail::requireHookShape_##NAME<K>();                                         \
    if constexpr (detail::own_##NAME<K>) {                                        \
      return key.NAME(a, b, c, d);                                                \
    } else {                                                                      \
      return detail::GENERIC(key, blockBytes<K>(), a, b, c, d);                   \
    }                                                                             \
  }

// The general form, for the AEAD, stream-cipher and MAC interfaces: `own_ID<T>` when T has a
// member NAME that a `const T&` (or, with SELF = T&, a `T&`) can call with ARGS of the parameters
// PARAMS, giving exactly RESULT; `names_ID<T>` when T has a member called NAME at all; and
// `requireShape_ID<T>()`, failing to compile for a type that names the member without its shape.
// PARAMS and ARGS are parenthesised, e.g. `(const ByteString& a, const ByteString& b)` and
// `(a, b)`; ID tells apart members of one name in two interfaces.
#define KAVRIT_HOOK_PARAMS(...) __VA_ARGS__
#define KAVRIT_MEMBER_HOOK(ID, SELF, NAME, RESULT, PARAMS, ARGS, SHAPE, WHAT)       \
  template <class T>                                                                \
  inline constexpr bool own_##ID = requires(SELF self, KAVRIT_HOOK_PARAMS PARAMS) { \
    { self.NAME ARGS } -> std::same_as<RESULT>;                                     \
  };                                                                                \
  template <class T>                                                                \
  inline constexpr bool names_##ID =                                                \
      (requires { &T::NAME; }) ||                                                   \
      (requires(T & self, KAVRIT_HOOK_PARAMS PARAMS) { self.NAME ARGS; });          \
  template <class T>                                                                \
  constexpr void requireShape_##ID() {                                              \
    static_assert(own_##ID<T> || !names_##ID<T>,                                    \
                  "the " WHAT " type has a member named `" #NAME                    \
                  "` that kavrit cannot call: it must be `" SHAPE "`");             \
  }
