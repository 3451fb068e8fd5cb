#include "model/conversions.h"

#include <climits>

#include <gtest/gtest.h>

namespace rt {
namespace {

struct DecimalCase {
  const char* text;
  std::int64_t min, max;
  bool ok;
  std::int64_t value;
};

TEST(Conversions, DecimalTextRoundsHalfToEvenAndChecksTheRange) {
  const DecimalCase cases[] = {
      {"0", 0, 255, true, 0},          {"255", 0, 255, true, 255},     {"256", 0, 255, false, 0},
      {"-1", 0, 255, false, 0},        {" 12 ", 0, 255, true, 12},     {"+7", 0, 255, true, 7},
      {"2.5", 0, 255, true, 2},        {"3.5", 0, 255, true, 4},       {"2.51", 0, 255, true, 3},
      {"2.4999", 0, 255, true, 2},     {"2.50000000000000000001", 0, 255, true, 3},
      {"-2.5", -10, 10, true, -2},     {"-3.5", -10, 10, true, -4},    {"254.5", 0, 255, true, 254},
      {"255.5", 0, 255, false, 0},     {".5", 0, 255, true, 0},        {"1.", 0, 255, true, 1},
      {"", 0, 255, false, 0},          {"abc", 0, 255, false, 0},      {"12a", 0, 255, false, 0},
      {"1e2", 0, 255, false, 0},       {"0x10", 0, 255, false, 0},     {"1 2", 0, 255, false, 0},
      {"-", 0, 255, false, 0},         {".", 0, 255, false, 0},        {"--1", -5, 5, false, 0},
      {"2147483647", INT32_MIN, INT32_MAX, true, INT32_MAX},
      {"-2147483648", INT32_MIN, INT32_MAX, true, INT32_MIN},
      {"2147483648", INT32_MIN, INT32_MAX, false, 0},
      {"2147483647.5", INT32_MIN, INT32_MAX, false, 0},
      {"99999999999999999999999999", INT32_MIN, INT32_MAX, false, 0},
      {"000000000000000000000000012", 0, 255, true, 12},
  };
  for (const DecimalCase& c : cases) {
    auto r = parseDecimal(QString::fromLatin1(c.text), c.min, c.max);
    EXPECT_EQ(r.isOk(), c.ok) << "'" << c.text << "'";
    if (r && c.ok) {
      EXPECT_EQ(*r, c.value) << c.text;
    }
  }
}

TEST(Conversions, FailureNamesTheTextAndTheRange) {
  auto r = parseInt32(QStringLiteral("12a"));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message(), QStringLiteral("'12a' is not a whole number from -2147483648 to 2147483647"));
}

TEST(Conversions, TypedRanges) {
  EXPECT_EQ(*parseWord(QStringLiteral("65535")), 65535);
  EXPECT_FALSE(parseWord(QStringLiteral("65536")));
  EXPECT_FALSE(parseWord(QStringLiteral("-1")));
  EXPECT_EQ(*parseByte(QStringLiteral("255")), 255);
  EXPECT_EQ(*parseInt32(QStringLiteral("-1")), -1);
}

TEST(Conversions, SignedBytesAreTypedFromMinus256To255) {
  const std::pair<const char*, int> accepted[] = {{"-1", 0xFF}, {"-128", 0x80}, {"127", 0x7F}, {"200", 0xC8},
                                                  {"-256", 0x00}, {"-129", 0x7F}, {"255", 0xFF}, {"-0", 0}, {"-256.5", 0}, {"-1.5", 0xFE}};
  for (auto [text, stored] : accepted) EXPECT_EQ(*parseSignedByte(QString::fromLatin1(text)), stored) << text;
  for (const char* text : {"-257", "256", "-300", "x", "-0.5", "-0.1", "-256.6"}) EXPECT_FALSE(parseSignedByte(QString::fromLatin1(text))) << text;
  const std::pair<int, int> shown[] = {{0x05, 5}, {0xFF, -1}, {0x80, -128}, {0x7F, 127}, {0xC8, -56}};
  for (auto [byte, value] : shown) EXPECT_EQ(signedByteValue(byte), value);
}

TEST(Conversions, HexWords) {
  const std::pair<const char*, int> accepted[] = {{"0", 0}, {"1A", 0x1A}, {"1a", 0x1A}, {"FFFF", 0xFFFF},
                                                  {" 7fff ", 0x7FFF}, {"001A", 0x1A}};
  for (auto [text, value] : accepted) EXPECT_EQ(*parseHexWord(QString::fromLatin1(text)), value) << text;
  for (const char* text : {"", "10000", "G", "-1", "0x1A", "1 A"}) EXPECT_FALSE(parseHexWord(QString::fromLatin1(text))) << text;
  EXPECT_EQ(hexText(0x1A), QStringLiteral("1A"));
  EXPECT_EQ(hexText(0xFFFF), QStringLiteral("FFFF"));
  EXPECT_EQ(hexText(0), QStringLiteral("0"));
}

TEST(Conversions, NumberTextsAreQtsOwn) {
  // The texts a read shows are made without QString::number, and must match it digit for digit.
  const std::int64_t values[] = {0,      1,     9,     10,          255,         256,        -1,
                                 -128,   65535, 65536, 2147483647,  -2147483647 - 1, 4294967295LL, -9};
  for (std::int64_t v : values) {
    EXPECT_EQ(decimalText(v), QString::number(v)) << v;
    if (v >= INT_MIN && v <= INT_MAX) {
      EXPECT_EQ(hexText(static_cast<int>(v)), QString::number(static_cast<int>(v), 16).toUpper()) << v;
    }
  }
  for (int byte = 0; byte < 256; ++byte) EXPECT_EQ(hexText(byte * 257), QString::number(byte * 257, 16).toUpper());
}

}  // namespace
}  // namespace rt
