// Static checks of the built executables, read as PE files: the product's headers and imports,
// and the resources that both builds carry (icon, page, version block, manifest).
#include "pe_image.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

const std::uint32_t rt_icon = 3, rt_rcdata = 10, rt_group_icon = 14, rt_version = 16, rt_manifest = 24;
const std::uint32_t us_english = 0x0409;
const std::uint32_t icon_sizes[] = {256, 128, 64, 48, 32, 16};

// The project's version as the build hands it over, and the two words of a fixed version block
// that it makes: major.minor, then patch.0.
const std::u16string version_text = u"" LMW_VERSION;
const std::uint32_t version_high_word = (LMW_VERSION_MAJOR << 16) | LMW_VERSION_MINOR;
const std::uint32_t version_low_word = LMW_VERSION_PATCH << 16;

struct built_executable {
  const char* path;
  std::uint16_t machine;
  const char* manifest_architecture;
};

// Names the executable in failure messages instead of dumping its bytes.
void PrintTo(const built_executable& executable, std::ostream* out) { *out << executable.path; }

const built_executable product{LMW_LAUNCHER_EXE, 0x014C, "x86"};
const built_executable wine_build{LMW_LAUNCHER_TEST_EXE, 0x8664, "amd64"};

pe_image load(const built_executable& executable) {
  pe_image image;
  std::string problem = read_pe_image(read_file_bytes(executable.path), image);
  EXPECT_EQ(problem, "") << executable.path;
  return image;
}

const byte_string& resource(pe_image& image, std::uint32_t type, std::uint32_t name) {
  return image.resources[{type, name, us_english}];
}

std::string text_of(const byte_string& bytes) { return std::string(bytes.begin(), bytes.end()); }

// One node of a version block: length, value length, type, UTF-16 key, value, children; every
// part starts on a 4-byte boundary.
struct version_node {
  std::u16string key;
  byte_string value;
  std::vector<version_node> children;
};

std::size_t aligned(std::size_t offset) { return (offset + 3) & ~std::size_t(3); }

version_node read_version_node(const byte_string& bytes, std::size_t offset) {
  version_node node;
  std::size_t end = offset + u16_at(bytes, offset);
  std::size_t value_length = u16_at(bytes, offset + 2);
  bool text_value = u16_at(bytes, offset + 4) == 1;
  std::size_t at = offset + 6;
  for (; u16_at(bytes, at) != 0; at += 2) node.key.push_back(u16_at(bytes, at));
  at = aligned(at + 2);
  std::size_t value_bytes = text_value ? value_length * 2 : value_length;
  node.value = byte_string(bytes.begin() + at, bytes.begin() + at + value_bytes);
  for (at = aligned(at + value_bytes); at < end; at = aligned(at + u16_at(bytes, at))) {
    node.children.push_back(read_version_node(bytes, at));
  }
  return node;
}

std::u16string utf16_text(const byte_string& value) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(u16_at(value, i));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

const version_node* child_named(const version_node& node, const std::u16string& key) {
  for (const version_node& child : node.children) {
    if (child.key == key) return &child;
  }
  return nullptr;
}

TEST(ProductExecutable, IsA32BitGuiProgramThatStartsInItsCode) {
  pe_image image = load(product);
  EXPECT_EQ(image.machine, 0x014C);
  EXPECT_EQ(image.magic, 0x10B) << "PE32";
  EXPECT_EQ(image.subsystem, 2) << "Windows GUI";
  EXPECT_TRUE(image.characteristics & 0x0100) << "32-bit machine";
  EXPECT_FALSE(image.characteristics & 0x2000) << "not a DLL";
  bool in_code = false;
  for (const pe_section& section : image.sections) {
    bool executable = (section.characteristics & 0x20000000u) != 0;
    if (executable && image.entry_point >= section.virtual_address &&
        image.entry_point < section.virtual_address + section.virtual_size) {
      in_code = true;
    }
  }
  EXPECT_TRUE(in_code) << "entry point " << image.entry_point;
}

TEST(ProductExecutable, ImportsOnlyWindowsSystemLibraries) {
  pe_image image = load(product);
  std::set<std::string> libraries;
  for (const auto& [library, functions] : image.imports) libraries.insert(library);
  EXPECT_EQ(libraries, (std::set<std::string>{"kernel32.dll", "user32.dll", "shell32.dll", "shlwapi.dll",
                                              "version.dll", "ole32.dll"}));
  for (const std::string& library : libraries) {
    for (const char* runtime : {"msvcr", "ucrt", "api-ms-win-crt", "libgcc", "libstdc++", "libwinpthread"}) {
      EXPECT_EQ(library.find(runtime), std::string::npos) << library;
    }
  }
  EXPECT_TRUE(image.imports["kernel32.dll"].count("ExitProcess"));
  EXPECT_TRUE(image.imports["user32.dll"].count("MessageBoxW")) << "the product shows real message boxes";
  EXPECT_FALSE(image.imports["kernel32.dll"].count("GetEnvironmentVariableW")) << "the test seam is compiled out";
}

TEST(WineTestExecutable, IsTheSameProgramForX8664WithTheMessageRecorder) {
  pe_image image = load(wine_build);
  EXPECT_EQ(image.machine, 0x8664);
  EXPECT_EQ(image.subsystem, 2);
  EXPECT_FALSE(image.imports["user32.dll"].count("MessageBoxW"));
  EXPECT_TRUE(image.imports["kernel32.dll"].count("GetEnvironmentVariableW"));
  for (const auto& [library, functions] : image.imports) EXPECT_EQ(library.find("msvcr"), std::string::npos);
}

class Resources : public ::testing::TestWithParam<built_executable> {};

TEST_P(Resources, AreExactlyTheIconPageVersionAndManifestInUsEnglish) {
  pe_image image = load(GetParam());
  std::set<resource_key> keys;
  for (const auto& [key, bytes] : image.resources) keys.insert(key);
  std::set<resource_key> expected{{rt_group_icon, 1, us_english}, {rt_rcdata, 100, us_english},
                                  {rt_version, 1, us_english}, {rt_manifest, 1, us_english}};
  for (std::uint32_t id = 1; id <= 6; ++id) expected.insert({rt_icon, id, us_english});
  EXPECT_EQ(keys, expected);
}

TEST_P(Resources, PageIsTheBuiltPageByteForByte) {
  pe_image image = load(GetParam());
  const byte_string page = read_file_bytes(LMW_PAGE_FILE);
  ASSERT_GT(page.size(), 1000u);
  EXPECT_TRUE(resource(image, rt_rcdata, 100) == page);
}

TEST_P(Resources, IconGroupListsTheSixImagesOfTheCommittedIcon) {
  pe_image image = load(GetParam());
  const byte_string ico = read_file_bytes(LMW_ICON_FILE);
  const byte_string& group = resource(image, rt_group_icon, 1);
  ASSERT_EQ(group.size(), 6u + 6 * 14);
  EXPECT_EQ(u16_at(group, 0), 0);
  EXPECT_EQ(u16_at(group, 2), 1);
  EXPECT_EQ(u16_at(group, 4), 6);
  for (std::uint32_t i = 0; i < 6; ++i) {
    SCOPED_TRACE("image " + std::to_string(i + 1));
    std::size_t entry = 6 + i * 14;
    std::uint32_t dimension = icon_sizes[i] == 256 ? 0 : icon_sizes[i];
    EXPECT_EQ(group[entry], dimension);
    EXPECT_EQ(group[entry + 1], dimension);
    EXPECT_EQ(group[entry + 2], 0) << "colour count";
    EXPECT_EQ(u16_at(group, entry + 4), 1) << "planes";
    EXPECT_EQ(u16_at(group, entry + 6), 32) << "bit count";
    EXPECT_EQ(u16_at(group, entry + 12), i + 1);
    const byte_string& picture = resource(image, rt_icon, i + 1);
    EXPECT_EQ(u32_at(group, entry + 8), picture.size());
    std::size_t ico_entry = 6 + i * 16;
    std::size_t ico_offset = u32_at(ico, ico_entry + 12);
    EXPECT_TRUE(picture == byte_string(ico.begin() + ico_offset, ico.begin() + ico_offset + u32_at(ico, ico_entry + 8)));
    if (i == 0) {
      EXPECT_EQ(text_of(byte_string(picture.begin() + 1, picture.begin() + 4)), "PNG");
    } else {
      std::uint32_t size = icon_sizes[i];
      EXPECT_EQ(u32_at(picture, 0), 40u) << "bitmap header";
      EXPECT_EQ(u32_at(picture, 4), size);
      EXPECT_EQ(u32_at(picture, 8), 2 * size) << "colour and mask";
      EXPECT_EQ(u16_at(picture, 14), 32);
      EXPECT_EQ(picture.size(), 40 + size * size * 4 + ((size + 31) / 32) * 4 * size);
    }
  }
}

TEST_P(Resources, VersionBlockCarriesTheProjectVersionAndTheChineseStringTable) {
  pe_image image = load(GetParam());
  version_node root = read_version_node(resource(image, rt_version, 1), 0);
  EXPECT_EQ(root.key, u"VS_VERSION_INFO");
  ASSERT_EQ(root.value.size(), 52u);
  const byte_string& fixed = root.value;
  EXPECT_EQ(u32_at(fixed, 0), 0xFEEF04BDu);
  EXPECT_EQ(u32_at(fixed, 8), version_high_word) << "file version major.minor";
  EXPECT_EQ(u32_at(fixed, 12), version_low_word) << "file version patch.0";
  EXPECT_EQ(u32_at(fixed, 16), version_high_word) << "product version major.minor";
  EXPECT_EQ(u32_at(fixed, 20), version_low_word) << "product version patch.0";
  EXPECT_EQ(u32_at(fixed, 24), 0x3Fu);
  EXPECT_EQ(u32_at(fixed, 28), 0u);
  EXPECT_EQ(u32_at(fixed, 32), 0x00040004u) << "VOS_NT_WINDOWS32";
  EXPECT_EQ(u32_at(fixed, 36), 1u) << "VFT_APP";
  EXPECT_EQ(u32_at(fixed, 40), 0u);
  EXPECT_EQ(u32_at(fixed, 44), 0u);
  EXPECT_EQ(u32_at(fixed, 48), 0u);

  const version_node* strings = child_named(root, u"StringFileInfo");
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(strings->children.size(), 1u);
  const version_node& table = strings->children[0];
  EXPECT_EQ(table.key, u"080404b0");
  const std::pair<std::u16string, std::u16string> fields[] = {
      {u"FileDescription", u"Lumaweave"}, {u"FileVersion", version_text},
      {u"InternalName", u"Lumaweave"},    {u"OriginalFilename", u"Lumaweave.exe"},
      {u"ProductName", u"Lumaweave"},     {u"ProductVersion", version_text}};
  for (const auto& [name, value] : fields) {
    const version_node* field = child_named(table, name);
    ASSERT_NE(field, nullptr) << std::string(name.begin(), name.end());
    EXPECT_TRUE(utf16_text(field->value) == value) << std::string(name.begin(), name.end());
  }
  for (const char16_t* free_field : {u"CompanyName", u"LegalCopyright"}) {
    EXPECT_NE(child_named(table, free_field), nullptr);
  }

  const version_node* variables = child_named(root, u"VarFileInfo");
  ASSERT_NE(variables, nullptr);
  const version_node* translation = child_named(*variables, u"Translation");
  ASSERT_NE(translation, nullptr);
  ASSERT_EQ(translation->value.size(), 4u);
  EXPECT_EQ(u16_at(translation->value, 0), 0x0804);
  EXPECT_EQ(u16_at(translation->value, 2), 1200);
}

TEST_P(Resources, ManifestAsksForUserRightsDpiAwarenessAndTheFiveSystems) {
  pe_image image = load(GetParam());
  const std::string manifest = text_of(resource(image, rt_manifest, 1));
  const std::string architecture = GetParam().manifest_architecture;
  EXPECT_EQ(manifest.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>", 0), 0u);
  const std::string required[] = {
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">",
      "<assemblyIdentity version=\"" LMW_VERSION ".0\" processorArchitecture=\"" + architecture +
          "\" name=\"Lumaweave\" type=\"win32\"/>",
      "<description>Lumaweave</description>",
      "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">",
      "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
      "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">",
      "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",
      "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",
      "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",
      "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",
      "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
      "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
  };
  for (const std::string& element : required) EXPECT_NE(manifest.find(element), std::string::npos) << element;
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, Resources, ::testing::Values(product, wine_build),
                         [](const auto& info) { return info.param.machine == 0x014C ? "product" : "wine_build"; });

}  // namespace
