#pragma once

/// @file
/// Errors that an implementation under test raises while a suite is being built (a `buildKey` or
/// `IV::parse` that throws). They must not end the building of the whole suite: the test they
/// belong to is built as a case that fails with the error's text, and every other test stays.

#include <exception>
#include <string>
#include <string_view>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The message of the exception in `error`, or a note that it is not a std::exception.
std::string describeException(const std::exception_ptr& error);

/// A unit case named `name` that fails, when run, with an error naming the test, the vector file,
/// the step of the implementation that threw and the exception's text.
Test implementationErrorCase(std::string name, std::string_view path, std::string_view step,
                             const std::exception_ptr& error);

/// Whether `IV<K>::parse` takes `bytes`, for the builders' record filters. A parse that throws
/// counts as taking them, so that the record is kept and its test reports the error.
template <BlockCipher K>
bool ivAcceptedOrThrows(const ByteString& bytes) {
  try {
    return IV<K>::parse(bytes).has_value();
  } catch (...) {
    return true;
  }
}

}  // namespace kavrit::test
