#include "kavrit/test/implementation_error.hpp"

#include <stdexcept>

namespace kavrit::test {

std::string describeException(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an exception that is not a std::exception";
  }
}

}  // namespace kavrit::test
