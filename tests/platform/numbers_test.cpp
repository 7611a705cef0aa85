#include "platform/numbers.h"

#include <gtest/gtest.h>

#include <climits>

namespace plondex {
namespace {

struct Case {
  const char* text;
  std::optional<int64_t> value;
};

void ExpectAll(const NumberSyntax& syntax, std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(ParseWholeNumber(c.text, syntax), c.value) << c.text;
}

constexpr std::nullopt_t kNo = std::nullopt;

TEST(WholeNumber, DigitsAloneByDefault) {
  ExpectAll({}, {{"0", 0},
                 {"007", 7},
                 {"000000000000000000000042", 42},
                 {"2147483647", INT32_MAX},
                 {"2147483648", kNo},
                 {"99999999999999999999999", kNo},
                 {"", kNo},
                 {"+1", kNo},
                 {"-1", kNo},
                 {" 1", kNo},
                 {"1 ", kNo},
                 {"1a", kNo},
                 {"0x1", kNo},
                 {"$1", kNo},
                 {"\xB9", kNo}});
}

TEST(WholeNumber, SignAndLeadingSpacesOnlyWhereAllowed) {
  ExpectAll({.sign = true}, {{"-0", 0},
                             {"+5", 5},
                             {"-2147483648", INT32_MIN},
                             {"-2147483649", kNo},
                             {"+", kNo},
                             {"-", kNo},
                             {"--1", kNo},
                             {" 5", kNo}});
  ExpectAll({.leading_spaces = true, .sign = true},
            {{"  -5", -5}, {" ", kNo}, {"- 5", kNo}, {"\t5", kNo}, {"5 ", kNo}});
}

TEST(WholeNumber, HexPrefixesEachOnlyWhereAllowed) {
  ExpectAll({.hex_0x = true}, {{"0x1f", 31}, {"0XF", 15}, {"0x", kNo}, {"$f", kNo}, {"xf", kNo}});
  ExpectAll({.hex_dollar = true}, {{"$Ff", 255}, {"$", kNo}, {"0x1", kNo}, {"$g", kNo}});
  ExpectAll({.hex_x = true}, {{"x10", 16}, {"X10", 16}, {"x", kNo}, {"0x1", kNo}});
  ExpectAll({.sign = true, .hex_dollar = true}, {{"-$10", -16}, {"$-10", kNo}, {"1f", kNo}});
  ExpectAll({.sign = true, .hex_0x = true, .sign_before_hex = false},
            {{"0x10", 16}, {"-0x10", kNo}, {"+0x10", kNo}, {"-10", -10}});
}

TEST(WholeNumber, LimitsOfTheRangeAndOf32BitHex) {
  ExpectAll({.sign = true, .hex_dollar = true, .min = 0, .max = 125},
            {{"125", 125}, {"$7D", 125}, {"126", kNo}, {"$7E", kNo}, {"-0", 0}, {"-1", kNo}});
  ExpectAll({.sign = true, .hex_dollar = true, .min = INT64_MIN, .max = INT64_MAX},
            {{"9223372036854775807", INT64_MAX},
             {"9223372036854775808", kNo},
             {"-9223372036854775808", INT64_MIN},
             {"-9223372036854775809", kNo},
             {"$FFFFFFFFFFFFFFFF", kNo},
             {"$10000000000000000", kNo}});
  ExpectAll({.sign = true, .hex_dollar = true, .hex_is_32_bits = true}, {{"$FFFFFFFF", -1},
                                                                         {"$80000000", INT32_MIN},
                                                                         {"$100000000", kNo},
                                                                         {"-$1", -1},
                                                                         {"-$FFFFFFFF", 1},
                                                                         {"2147483648", kNo}});
  ExpectAll(kInt32Syntax, {{"0xFFFFFFFF", -1}, {"-2147483648", INT32_MIN}, {"-0x1", kNo}});
}

TEST(WholeNumber, WideTextTakesOnlyAsciiDigits) {
  const NumberSyntax hex{.leading_spaces = true, .hex_x = true};
  EXPECT_EQ(ParseWholeNumber(u" x1F", hex), 31);
  EXPECT_EQ(ParseWholeNumber(u"\u0663", hex), std::nullopt);        // a digit, but not an ASCII one
  EXPECT_EQ(ParseWholeNumber(u"\u0131", hex), std::nullopt);        // low byte '1'
  EXPECT_EQ(ParseWholeNumber(u"\u0178\u0031", hex), std::nullopt);  // low byte 'x'
}

}  // namespace
}  // namespace plondex
