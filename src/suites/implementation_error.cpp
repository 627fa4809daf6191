#include "kavrit/test/implementation_error.hpp"

#include <stdexcept>
#include <utility>

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

Test implementationErrorCase(std::string name, std::string_view path, std::string_view step,
                             const std::exception_ptr& error) {
  std::string message = name + " (" + std::string(path) + "): the implementation threw from " +
                        std::string(step) +
                        " while the test was built: " + describeException(error);
  return testCase(std::move(name),
                  [message = std::move(message)] { throw std::runtime_error(message); });
}

bool ivAcceptedOrThrows(const AnyBlockCipher& cipher, const ByteString& bytes) {
  try {
    return cipher.parseIV(bytes).has_value();
  } catch (...) {
    return true;
  }
}

std::function<bool(const ByteString&)> ivFilter(const AnyBlockCipher& cipher) {
  return [&cipher](const ByteString& iv) { return ivAcceptedOrThrows(cipher, iv); };
}

std::shared_ptr<const AnyKey> buildVectorKey(std::vector<Test>& tests, const AnyBlockCipher& cipher,
                                             const std::string& name, std::string_view path,
                                             const ByteString& key, ByteString* iv) {
  std::shared_ptr<const AnyKey> built;
  const auto build = [&] {
    built = cipher.buildKey(key);
    if (built && iv != nullptr) *iv = cipher.parseIV(*iv).value();
  };
  if (!buildStepSucceeds(tests, name, path, "buildKey or IV::parse", build)) return nullptr;
  return built;
}

}  // namespace kavrit::test
