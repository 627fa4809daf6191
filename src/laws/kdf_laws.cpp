// The laws of HKDF's and PBKDF2's output length (kavrit/test/hkdf.hpp, kavrit/test/pbkdf2.hpp).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/hkdf.hpp"
#include "kavrit/test/pbkdf2.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {
namespace {

std::size_t hashBytes(const AnyHash& h) {
  const long bits = h.outputLength();
  if (bits < 8) {
    throw AssertionFailure("an output length of " + std::to_string(bits) +
                           " bits is less than one byte");
  }
  return static_cast<std::size_t>(bits / 8);
}

// A length from 0 to `most`, the edges around one block and `most` itself drawn often.
std::size_t drawLength(std::size_t block, std::size_t most) {
  return *rc::gen::weightedOneOf<std::size_t>(
      {{1, rc::gen::element<std::size_t>(0, 1, block - 1, block, block + 1, most)},
       {1, rc::gen::inRange<std::size_t>(0, most + 1)}});
}

std::string sizes(std::size_t got, std::size_t wanted) {
  return std::to_string(got) + " bytes for L = " + std::to_string(wanted);
}

// The first n bytes of the output of `derive` for n and for m ≥ n agree.
void prefixLaw(const std::string& name, const std::function<ByteString(std::size_t)>& derive,
               std::size_t block, std::size_t most) {
  const std::size_t m = drawLength(block, most);
  const std::size_t n = *rc::gen::inRange<std::size_t>(0, m + 1);
  const ByteString longer = derive(m);
  const ByteString shorter = derive(n);
  if (longer.size() < n || !std::equal(shorter.begin(), shorter.end(), longer.begin()) ||
      shorter.size() != n) {
    RC_FAIL(name + " with L = " + std::to_string(n) + " gives " + toHex(shorter) +
            ", not the first " + std::to_string(n) +
            " bytes of its output with L = " + std::to_string(m) + ": " + toHex(longer));
  }
}

void expectRefused(const std::string& name, std::size_t length, std::size_t most,
                   const std::function<ByteString()>& derive) {
  ByteString out;
  try {
    out = derive();
  } catch (const std::exception&) {
    return;
  }
  throw AssertionFailure(name + " with L = " + std::to_string(length) + " gave " +
                         std::to_string(out.size()) +
                         " bytes instead of refusing: RFC 5869 allows at most 255 blocks, " +
                         std::to_string(most) + " bytes");
}

void refusesLongOutput(const AnyHash& h) {
  const std::size_t most = 255 * hashBytes(h);
  const ByteString salt = detail::fixedMessage(13);
  const ByteString ikm = detail::fixedMessage(22);
  const ByteString info = detail::fixedMessage(10);
  const ByteString prk = h.hkdfExtract(salt, ikm);
  expectRefused("hkdfExpand", most + 1, most, [&] { return h.hkdfExpand(prk, info, most + 1); });
  expectRefused("hkdf", most + 1, most, [&] { return h.hkdf(salt, ikm, info, most + 1); });
  const std::size_t expand = h.hkdfExpand(prk, info, most).size();
  const std::size_t whole = h.hkdf(salt, ikm, info, most).size();
  if (expand != most || whole != most) {
    throw AssertionFailure("at the most RFC 5869 allows, hkdfExpand gives " + sizes(expand, most) +
                           " and hkdf " + sizes(whole, most));
  }
}

}  // namespace

Test makeHKDFLawTests(const AnyHash& h) {
  std::vector<Test> leaves;
  leaves.push_back(
      testProperty("OutputLengthIsL",
                   [&h](const RandomBytes& salt, const RandomBytes& ikm, const RandomBytes& info) {
                     const std::size_t block = hashBytes(h);
                     const std::size_t l = drawLength(block, 255 * block);
                     const std::size_t whole = h.hkdf(salt.value, ikm.value, info.value, l).size();
                     const std::size_t expand = h.hkdfExpand(ikm.value, info.value, l).size();
                     if (whole != l) RC_FAIL("hkdf gives " + sizes(whole, l));
                     if (expand != l) RC_FAIL("hkdfExpand gives " + sizes(expand, l));
                   }));
  leaves.push_back(testProperty(
      "PrefixOfLongerOutput",
      [&h](const RandomBytes& salt, const RandomBytes& ikm, const RandomBytes& info) {
        const std::size_t block = hashBytes(h);
        prefixLaw(
            "hkdf", [&](std::size_t l) { return h.hkdf(salt.value, ikm.value, info.value, l); },
            block, 255 * block);
        prefixLaw(
            "hkdfExpand", [&](std::size_t l) { return h.hkdfExpand(ikm.value, info.value, l); },
            block, 255 * block);
      }));
  leaves.push_back(testProperty(
      "ExtractThenExpand",
      [&h](const RandomBytes& salt, const RandomBytes& ikm, const RandomBytes& info) {
        const std::size_t l = drawLength(hashBytes(h), 4 * hashBytes(h));
        const ByteString whole = h.hkdf(salt.value, ikm.value, info.value, l);
        const ByteString steps = h.hkdfExpand(h.hkdfExtract(salt.value, ikm.value), info.value, l);
        if (whole != steps) {
          RC_FAIL("hkdf gives " + toHex(whole) + " but hkdfExpand of hkdfExtract gives " +
                  toHex(steps));
        }
      }));
  leaves.push_back(testCase("RefusesLongOutput", [&h] { refusesLongOutput(h); }));
  return testGroup("HKDF Law Tests", std::move(leaves));
}

Test makePBKDF2LawTests(const AnyHash& h) {
  std::vector<Test> leaves;
  leaves.push_back(testProperty(
      "OutputLengthIsDkLen", [&h](const RandomBytes& password, const RandomBytes& salt) {
        const std::size_t block = hashBytes(h);
        const std::size_t length = drawLength(block, 4 * block + 1);
        const auto iterations = *rc::gen::inRange<std::uint64_t>(1, 4);
        const std::size_t got = h.pbkdf2(password.value, salt.value, iterations, length).size();
        if (got != length) RC_FAIL("pbkdf2 gives " + sizes(got, length));
      }));
  leaves.push_back(testProperty(
      "PrefixOfLongerOutput", [&h](const RandomBytes& password, const RandomBytes& salt) {
        const auto iterations = *rc::gen::inRange<std::uint64_t>(1, 4);
        prefixLaw(
            "pbkdf2",
            [&](std::size_t l) { return h.pbkdf2(password.value, salt.value, iterations, l); },
            hashBytes(h), 4 * hashBytes(h) + 1);
      }));
  return testGroup("PBKDF2 Law Tests", std::move(leaves));
}

}  // namespace kavrit::test
