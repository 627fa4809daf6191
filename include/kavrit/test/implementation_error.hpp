#pragma once

/// @file
/// Errors that an implementation under test raises while a suite is being built (a `buildKey` or
/// `IV::parse` that throws). They must not end the building of the whole suite: the test they
/// belong to is built as a case that fails with the error's text, and every other test stays.

#include <exception>
#include <string>

namespace kavrit::test {

/// The message of the exception in `error`, or a note that it is not a std::exception.
std::string describeException(const std::exception_ptr& error);

}  // namespace kavrit::test
