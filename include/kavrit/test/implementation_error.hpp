#pragma once

/// @file
/// Errors that an implementation under test raises while a suite is being built (a `buildKey` or
/// `IV::parse` that throws). They must not end the building of the whole suite: the test they
/// belong to is built as a case that fails with the error's text, and every other test stays.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The message of the exception in `error`, or a note that it is not a std::exception.
std::string describeException(const std::exception_ptr& error);

/// A unit case named `name` that fails, when run, with an error naming the test, the vector file,
/// the step of the implementation that threw and the exception's text.
Test implementationErrorCase(std::string name, std::string_view path, std::string_view step,
                             const std::exception_ptr& error);

/// Runs `step`, a call into the implementation made while a suite is built. When it throws, the
/// test `name` of the vector file `path` is appended to `tests` as a case failing with that error
/// and the result is false; the caller then skips the vector.
template <class Step>
bool buildStepSucceeds(std::vector<Test>& tests, const std::string& name, std::string_view path,
                       std::string_view stepName, Step&& step) {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (...) {
    tests.push_back(implementationErrorCase(name, path, stepName, std::current_exception()));
    return false;
  }
}

/// Whether the cipher's `IV::parse` takes `bytes`, for the builders' record filters. A parse that
/// throws counts as taking them, so that the record is kept and its test reports the error.
bool ivAcceptedOrThrows(const AnyBlockCipher& cipher, const ByteString& bytes);

/// ivAcceptedOrThrows of `cipher` as the IV filter that the vector readers take.
std::function<bool(const ByteString&)> ivFilter(const AnyBlockCipher& cipher);

/// The key of the test `name` of the vector file `path`, built while the suite is built: the test
/// keeps it. When `iv` is given and a key was built, the IV is replaced by the bytes IV::parse
/// reads of it. Null when `buildKey` gives no key (the vector is left out) or when the
/// implementation throws (then `tests` gets the case failing with that error, as buildStepSucceeds
/// does).
std::shared_ptr<const AnyKey> buildVectorKey(std::vector<Test>& tests, const AnyBlockCipher& cipher,
                                             const std::string& name, std::string_view path,
                                             const ByteString& key, ByteString* iv);

}  // namespace kavrit::test
