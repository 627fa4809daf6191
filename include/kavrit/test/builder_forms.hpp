#pragma once

/// @file
/// The two forms in which a builder over a run-time model (AnyAead, AnyStreamCipher, AnyMac, ...)
/// is offered for a user's type T: `NAME<T>()`, and `NAME(value)` for a caller that has a value of
/// T at hand (it is never read). Both are `NAME(ANY<T>())`, where ANY checks that T satisfies its
/// concept and names the shape of any member it gets wrong.

#include <concepts>

// Declares both forms of NAME beside its overloads over MODEL (which must be declared first).
#define KAVRIT_BUILDER_FORMS(NAME, ANY, MODEL) \
  template <class T>                           \
  auto NAME() {                                \
    return NAME(ANY<T>());                     \
  }                                            \
  template <class T>                           \
  requires(!std::derived_from<T, MODEL>) auto NAME(const T& /*value*/) { return NAME(ANY<T>()); }
