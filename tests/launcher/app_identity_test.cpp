// The app-window identity and the browser command line, from page URLs like the launcher makes.
#include "app_identity.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::u16string shortened(const std::u16string& source) {
  wide_char destination[component_capacity];
  shorten_component(source.c_str(), destination);
  return destination;
}

std::u16string app_name_of(const std::u16string& url) {
  std::vector<wide_char> name(path_capacity);
  EXPECT_TRUE(make_app_name(url.c_str(), name.data()));
  return name.data();
}

std::u16string identity_of(const std::u16string& prefix, const std::u16string& url) {
  wide_char identity[identity_capacity];
  EXPECT_TRUE(make_app_identity(prefix.c_str(), app_name_of(url).c_str(), identity));
  return identity;
}

// Each case: source or URL, then the expected result.
typedef std::pair<std::u16string, std::u16string> text_case;

TEST(ShortenComponent, KeepsTwentyUnitsAndCutsTheMiddleOfLongerOnes) {
  const text_case cases[] = {
      {u"abcdefghij0123456789", u"abcdefghij0123456789"},
      {u"abcdefghijX0123456789", u"abcdefghij0123456789"},
      {u"BrowserProfile.Default", u"BrowserProle.Default"},
      {u"Chrome", u"Chrome"},
      {u"MSEdge", u"MSEdge"},
      {u"", u""},
      {std::u16string(31, u'a') + u"b", std::u16string(19, u'a') + u"b"},
  };
  for (const auto& [source, expected] : cases) EXPECT_EQ(shortened(source), expected);
}

TEST(AppName, TakesTheUrlFromTheThirdUnitAfterTheFirstColon) {
  const text_case cases[] = {
      {u"file:///C:/dir/page.html", u"_/C:/dir/page.html"},
      {u"file:///c:/Dir/Page.HTML", u"_/c:/Dir/Page.HTML"},
      {u"file://server/share/page.html", u"_server/share/page.html"},
      {u"no colon at all", u"_"},
      {u"", u"_"},
  };
  for (const auto& [url, expected] : cases) EXPECT_EQ(app_name_of(url), expected);
}

TEST(AppName, NeverReadsPastTheEndOfAShortUrl) {
  EXPECT_EQ(app_name_of(u"file:"), u"_");
  EXPECT_EQ(app_name_of(u"file:/"), u"_");
  EXPECT_EQ(app_name_of(u"file://"), u"_");
}

TEST(AppIdentity, JoinsTheShortenedComponents) {
  const std::u16string url = u"file:///C:/Users/x/AppData/Local/Lumaweave/Lumaweave-v1.2.1.html";
  EXPECT_EQ(identity_of(u"Chrome", url), u"Chrome._/C:/Users1.2.1.html.BrowserProle.Default");
  EXPECT_EQ(identity_of(u"MSEdge", url), u"MSEdge._/C:/Users1.2.1.html.BrowserProle.Default");
  EXPECT_EQ(identity_of(u"Chrome", u"file:///c:/Users/x/AppData/Local/Lumaweave/Lumaweave-v1.2.1.html"),
            u"Chrome._/c:/Users1.2.1.html.BrowserProle.Default");
  EXPECT_EQ(identity_of(u"Chrome", u"nocolon"), u"Chrome._.BrowserProle.Default");
}

TEST(AppIdentity, FitsItsBufferWithTheLongestComponents) {
  const std::u16string long_prefix(40, u'p');
  const std::u16string identity = identity_of(long_prefix, u"file:///" + std::u16string(300, u'u'));
  EXPECT_EQ(identity.size(), 62u);
  EXPECT_EQ(identity.substr(0, 21), std::u16string(20, u'p') + u".");
}

TEST(BrowserArguments, QuoteTheUrlAndProfileAndAddTheFourSwitches) {
  std::vector<wide_char> arguments(path_capacity);
  ASSERT_TRUE(make_browser_arguments(u"file:///C:/d/Lumaweave-v1.2.1.html", u"C:\\d\\BrowserProfile",
                                     arguments.data()));
  EXPECT_EQ(std::u16string(arguments.data()),
            u"--app=\"file:///C:/d/Lumaweave-v1.2.1.html\" --user-data-dir=\"C:\\d\\BrowserProfile\" "
            u"--no-first-run --no-default-browser-check --disable-background-networking "
            u"--disable-background-mode");
}

TEST(BrowserArguments, FixedPiecesTake127UnitsAndTheRestMustFit) {
  std::vector<wide_char> arguments(path_capacity);
  ASSERT_TRUE(make_browser_arguments(u"", u"", arguments.data()));
  EXPECT_EQ(wide_length(arguments.data()), 127u);

  const std::u16string url(path_capacity - 1 - 127 - 10, u'u');
  const std::u16string profile_that_fits(10, u'p');
  EXPECT_TRUE(make_browser_arguments(url.c_str(), profile_that_fits.c_str(), arguments.data()));
  EXPECT_EQ(wide_length(arguments.data()), path_capacity - 1);
  const std::u16string profile_too_long(11, u'p');
  EXPECT_FALSE(make_browser_arguments(url.c_str(), profile_too_long.c_str(), arguments.data()));
}

TEST(LengthGuard, AllowsUrlAndProfileUpTo32627UnitsTogether) {
  const std::u16string profile(1000, u'p');
  const std::u16string url_at_limit(32767 - 140 - 1000, u'u');
  EXPECT_TRUE(passes_length_guard(url_at_limit.c_str(), profile.c_str()));
  const std::u16string url_over_limit = url_at_limit + u"u";
  EXPECT_FALSE(passes_length_guard(url_over_limit.c_str(), profile.c_str()));
  EXPECT_TRUE(passes_length_guard(u"", u""));
}

}  // namespace
