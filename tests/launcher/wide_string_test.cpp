// The bounded string routines at the edges of their capacities.
#include "wide_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string units(std::size_t count, char16_t unit = u'a') { return std::u16string(count, unit); }

TEST(WideCopy, CopiesWhenTheSourceIsShorterThanTheCapacity) {
  wide_char buffer[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_TRUE(wide_copy(buffer, 4, u"abc"));
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_TRUE(wide_copy(buffer, 4, u""));
  EXPECT_EQ(buffer[0], 0);
}

TEST(WideCopy, FailsWithoutWritingPastTheCapacity) {
  wide_char buffer[6] = {u'x', u'x', u'x', u'x', u'x', u'x'};
  EXPECT_FALSE(wide_copy(buffer, 4, u"abcd"));
  EXPECT_EQ(buffer[4], u'x');
  EXPECT_FALSE(wide_copy(buffer, 0, u""));
  EXPECT_EQ(buffer[0], u'a');
}

TEST(WideCopy, HonoursThePathCapacity) {
  std::vector<wide_char> buffer(path_capacity + 1, u'x');
  std::u16string longest = units(path_capacity - 1);
  EXPECT_TRUE(wide_copy(buffer.data(), path_capacity, longest.c_str()));
  EXPECT_EQ(wide_length(buffer.data()), path_capacity - 1);
  std::u16string too_long = units(path_capacity);
  buffer[path_capacity] = u'x';
  EXPECT_FALSE(wide_copy(buffer.data(), path_capacity, too_long.c_str()));
  EXPECT_EQ(buffer[path_capacity], u'x');
}

TEST(WideAppend, SucceedsOnlyWhileTheCombinedLengthStaysBelowTheCapacity) {
  wide_char buffer[8] = {};
  EXPECT_TRUE(wide_copy(buffer, 8, u"abc"));
  EXPECT_TRUE(wide_append(buffer, 8, u"defg"));
  EXPECT_EQ(std::u16string(buffer), u"abcdefg");

  EXPECT_TRUE(wide_copy(buffer, 8, u"abc"));
  EXPECT_FALSE(wide_append(buffer, 8, u"defgh"));

  EXPECT_TRUE(wide_copy(buffer, 8, u"abc"));
  EXPECT_TRUE(wide_append(buffer, 8, u""));
  EXPECT_EQ(std::u16string(buffer), u"abc");
}

TEST(WideAppend, FailsWhenTheDestinationAlreadyFillsTheCapacity) {
  wide_char buffer[8] = {};
  EXPECT_TRUE(wide_copy(buffer, 8, u"abcd"));
  EXPECT_FALSE(wide_append(buffer, 4, u""));
  EXPECT_FALSE(wide_append(buffer, 3, u"e"));
  EXPECT_EQ(std::u16string(buffer), u"abcd");
}

TEST(WideEquals, ComparesEveryUnitAndTheLength) {
  EXPECT_TRUE(wide_equals(u"", u""));
  EXPECT_TRUE(wide_equals(u"Chrome._/C:/x", u"Chrome._/C:/x"));
  EXPECT_FALSE(wide_equals(u"Chrome", u"chrome"));
  EXPECT_FALSE(wide_equals(u"Chrome", u"Chrom"));
  EXPECT_FALSE(wide_equals(u"Chrom", u"Chrome"));
  EXPECT_FALSE(wide_equals(u"", u"a"));
  EXPECT_FALSE(wide_equals(u"\u00e9", u"e\u0301"));
}

TEST(WideContains, FindsAUnitBeforeTheTerminatorOnly) {
  EXPECT_TRUE(wide_contains(u"C:\\a%b", u'%'));
  EXPECT_TRUE(wide_contains(u"%", u'%'));
  EXPECT_FALSE(wide_contains(u"C:\\users", u'%'));
  EXPECT_FALSE(wide_contains(u"", u'%'));
}

TEST(ClearBytes, ZeroesExactlyTheGivenCount) {
  unsigned char bytes[20];
  for (unsigned char& byte : bytes) byte = 0xAB;
  clear_bytes(bytes + 2, 16);
  EXPECT_EQ(bytes[1], 0xAB);
  for (int i = 2; i < 18; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(bytes[18], 0xAB);
}

}  // namespace
