#include "kavrit/test/hex.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace kavrit::test {
namespace {

constexpr std::string_view kOddMessage =
    "Not an even number of hex characters in input to hexStringToBS!";

// Runs the decoder on input that must fail and hands back the error text.
std::string errorFor(std::string_view input) {
  try {
    hexStringToBS(input);
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  ADD_FAILURE() << "no std::invalid_argument for \"" << input << "\"";
  return {};
}

TEST(HexStringToBS, DecodesValidInput) {
  EXPECT_EQ(hexStringToBS(""), ByteString{});
  EXPECT_EQ(hexStringToBS("00"), ByteString{0x00});
  EXPECT_EQ(hexStringToBS("ff"), ByteString{0xFF});
  EXPECT_EQ(hexStringToBS("FF"), ByteString{0xFF});
  EXPECT_EQ(hexStringToBS("0a1B2c"), (ByteString{0x0A, 0x1B, 0x2C}));
  // High nibble comes first in every pair.
  EXPECT_EQ(hexStringToBS("f0"), ByteString{0xF0});
}

TEST(HexStringToBS, DecodesEveryByteValue) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (int b = 0; b < 256; ++b) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  const ByteString bytes = hexStringToBS(text);
  ASSERT_EQ(bytes.size(), 256U);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(bytes[static_cast<std::size_t>(b)], b);
}

TEST(HexStringToBS, DecodesDigestSizedInput) {
  const std::string text = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  ASSERT_EQ(text.size(), 64U);
  const ByteString bytes = hexStringToBS(text);
  ASSERT_EQ(bytes.size(), 32U);
  EXPECT_EQ(bytes.front(), 0xE3);
  EXPECT_EQ(bytes[15], 0x24);
  EXPECT_EQ(bytes.back(), 0x55);
}

TEST(HexStringToBS, OddLengthIsRejectedBeforeDigits) {
  EXPECT_EQ(errorFor("abc"), kOddMessage);
  EXPECT_EQ(errorFor("g"), kOddMessage);
  EXPECT_EQ(errorFor("xyz"), kOddMessage);
  EXPECT_EQ(errorFor("0"), kOddMessage);
}

TEST(HexStringToBS, BadPairIsNamedWithItsOffset) {
  EXPECT_EQ(errorFor("1g"), "hexStringToBS: pair \"1g\" at character 0 is not two hex digits");
  EXPECT_EQ(errorFor("g1"), "hexStringToBS: pair \"g1\" at character 0 is not two hex digits");
  EXPECT_EQ(errorFor("7z"), "hexStringToBS: pair \"7z\" at character 0 is not two hex digits");
  EXPECT_EQ(errorFor("0x41"), "hexStringToBS: pair \"0x\" at character 0 is not two hex digits");
  EXPECT_EQ(errorFor("00ab 1"), "hexStringToBS: pair \" 1\" at character 4 is not two hex digits");
}

TEST(HexStringToBS, RejectsNonDigitBytesOfEveryKind) {
  // Characters next to the digit ranges, sign characters and bytes a signed
  // char would make negative must all be refused, not folded into a value.
  for (const char bad : {'/', ':', '@', 'G', '`', 'g', '-', '+', ' ', '\0', '\x80', '\xff'}) {
    const std::string first{bad, '0'};
    const std::string second{'0', bad};
    EXPECT_THROW(hexStringToBS(first), std::invalid_argument) << static_cast<int>(bad);
    EXPECT_THROW(hexStringToBS(second), std::invalid_argument) << static_cast<int>(bad);
  }
  EXPECT_EQ(errorFor(std::string_view("0\xff", 2)),
            "hexStringToBS: pair \"0\\xff\" at character 0 is not two hex digits");
}

}  // namespace
}  // namespace kavrit::test
