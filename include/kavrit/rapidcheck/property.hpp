#pragma once

/// @file
/// Properties of your own in a kavrit test tree: `testProperty` turns any RapidCheck testable into
/// a leaf. This is the one public header of the test trees that includes RapidCheck.

#include <memory>
#include <string>
#include <utility>

#include <rapidcheck.h>

#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

namespace detail {
struct PropertyHolder {
  rc::detail::Property property;
};
}  // namespace detail

/// A property leaf from any RapidCheck testable (a callable whose arguments RapidCheck draws, that
/// returns a bool or void and may use RC_PRE to discard a case).
template <class Testable>
Test testProperty(std::string name, Testable&& testable) {
  return makePropertyTest(std::move(name),
                          std::make_shared<const detail::PropertyHolder>(detail::PropertyHolder{
                              rc::detail::toProperty(std::forward<Testable>(testable))}));
}

}  // namespace kavrit::test
