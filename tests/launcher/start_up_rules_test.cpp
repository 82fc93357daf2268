// Start-up and discovery decisions: the self-test switch, expansions, the data-folder limit and
// the browser version read from a version block.
#include "start_up_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

bool scan(std::vector<const char16_t*> arguments) {
  return has_self_test_argument(arguments.data(), static_cast<int>(arguments.size()));
}

TEST(SelfTestScan, AcceptsTheExactSwitchAfterTheProgramName) {
  EXPECT_TRUE(scan({u"Lumaweave.exe", u"--self-test"}));
  EXPECT_TRUE(scan({u"Lumaweave.exe", u"extra", u"--other", u"--self-test"}));
  EXPECT_FALSE(scan({u"Lumaweave.exe"}));
  EXPECT_FALSE(scan({u"--self-test"}));
  EXPECT_FALSE(has_self_test_argument(nullptr, 3));
}

TEST(SelfTestScan, IgnoresNearMisses) {
  EXPECT_FALSE(scan({u"Lumaweave.exe", u"--Self-Test"}));
  EXPECT_FALSE(scan({u"Lumaweave.exe", u"--self-test=1"}));
  EXPECT_FALSE(scan({u"Lumaweave.exe", u"--self-test "}));
  EXPECT_FALSE(scan({u"Lumaweave.exe", u"-self-test"}));
  EXPECT_FALSE(scan({u"Lumaweave.exe", u"--self-tes"}));
}

TEST(Expansion, FitsFromOneUnitUpToTheCapacity) {
  EXPECT_FALSE(expansion_fits(0));
  EXPECT_TRUE(expansion_fits(1));
  EXPECT_TRUE(expansion_fits(path_capacity));
  EXPECT_FALSE(expansion_fits(path_capacity + 1));
}

TEST(Expansion, IsUnusableWithAnyPercentSignLeft) {
  EXPECT_TRUE(is_usable_expansion(27, u"C:\\Users\\x\\AppData\\Local\\Lumaweave"));
  EXPECT_FALSE(is_usable_expansion(26, u"%LOCALAPPDATA%\\Lumaweave"));
  EXPECT_FALSE(is_usable_expansion(13, u"C:\\50%\\Lumaweave"));
  EXPECT_FALSE(is_usable_expansion(0, u"C:\\Users"));
  EXPECT_FALSE(is_usable_expansion(path_capacity + 5, u"C:\\Users"));
}

TEST(DataFolderLimit, LeavesFortyUnitsOfRoom) {
  std::u16string folder(32727, u'a');
  EXPECT_TRUE(data_folder_within_limit(folder.c_str()));
  folder.push_back(u'a');
  EXPECT_FALSE(data_folder_within_limit(folder.c_str()));
}

TEST(JoinPath, FailsRatherThanTruncating) {
  std::vector<wide_char> path(path_capacity);
  EXPECT_TRUE(join_path(path.data(), u"C:\\data", u"\\BrowserProfile"));
  EXPECT_EQ(std::u16string(path.data()), u"C:\\data\\BrowserProfile");
  std::u16string base(path_capacity - 4, u'a');
  EXPECT_TRUE(join_path(path.data(), base.c_str(), u"abc"));
  EXPECT_FALSE(join_path(path.data(), base.c_str(), u"abcd"));
}

// A VS_FIXEDFILEINFO as VerQueryValueW hands it out: 13 little-endian doublewords.
std::vector<unsigned char> fixed_info(std::uint32_t signature, std::uint32_t file_version_ms) {
  std::vector<unsigned char> bytes(52, 0);
  auto put = [&](std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  put(0, signature);
  put(4, 0x00010000);
  put(8, file_version_ms);
  put(12, 0x10F80079);
  return bytes;
}

TEST(BrowserVersion, ReadsTheMajorVersionFromASignedBlock) {
  auto chrome_86 = fixed_info(0xFEEF04BD, (86u << 16) | 0);
  EXPECT_EQ(major_version_of(chrome_86.data(), 52), 86u);
  auto chrome_120 = fixed_info(0xFEEF04BD, (120u << 16) | 0);
  EXPECT_EQ(major_version_of(chrome_120.data(), 60), 120u);
  auto chrome_85 = fixed_info(0xFEEF04BD, (85u << 16) | 4183);
  EXPECT_EQ(major_version_of(chrome_85.data(), 52), 85u);
}

TEST(BrowserVersion, TakesZeroFromAMissingShortOrUnsignedBlock) {
  auto block = fixed_info(0xFEEF04BD, 120u << 16);
  EXPECT_EQ(major_version_of(block.data(), 51), 0u);
  EXPECT_EQ(major_version_of(nullptr, 52), 0u);
  auto unsigned_block = fixed_info(0xFEEF04BC, 120u << 16);
  EXPECT_EQ(major_version_of(unsigned_block.data(), 52), 0u);
}

TEST(BrowserVersion, SupportsEightySixAndLater) {
  EXPECT_FALSE(is_supported_major_version(0));
  EXPECT_FALSE(is_supported_major_version(85));
  EXPECT_TRUE(is_supported_major_version(86));
  EXPECT_TRUE(is_supported_major_version(120));
}

}  // namespace
