#include "pe_image.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

const std::uint16_t pe32_magic = 0x10B;
const std::uint32_t subdirectory_flag = 0x80000000u;

struct reader {
  const byte_string& bytes;
  const std::vector<pe_section>& sections;

  std::size_t offset_of_rva(std::uint32_t rva) const {
    for (const pe_section& section : sections) {
      std::uint32_t extent = std::max(section.virtual_size, section.raw_size);
      if (rva >= section.virtual_address && rva < section.virtual_address + extent) {
        return section.raw_offset + (rva - section.virtual_address);
      }
    }
    throw std::runtime_error("address outside every section");
  }

  std::string c_string_at(std::size_t offset) const {
    std::string text;
    while (offset < bytes.size() && bytes.at(offset) != 0) text.push_back(static_cast<char>(bytes[offset++]));
    return text;
  }
};

std::string lower_case(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

void read_imports(const reader& in, std::uint32_t directory_rva, bool pe32, pe_image& image) {
  for (std::size_t descriptor = in.offset_of_rva(directory_rva);; descriptor += 20) {
    std::uint32_t name_rva = u32_at(in.bytes, descriptor + 12);
    std::uint32_t lookup_rva = u32_at(in.bytes, descriptor);
    if (name_rva == 0) break;
    if (lookup_rva == 0) lookup_rva = u32_at(in.bytes, descriptor + 16);
    std::set<std::string>& functions = image.imports[lower_case(in.c_string_at(in.offset_of_rva(name_rva)))];
    const std::size_t thunk_size = pe32 ? 4 : 8;
    for (std::size_t thunk = in.offset_of_rva(lookup_rva);; thunk += thunk_size) {
      std::uint32_t low = u32_at(in.bytes, thunk);
      std::uint32_t high = pe32 ? 0 : u32_at(in.bytes, thunk + 4);
      if (low == 0 && high == 0) break;
      bool by_ordinal = pe32 ? (low & 0x80000000u) != 0 : (high & 0x80000000u) != 0;
      functions.insert(by_ordinal ? "#" + std::to_string(low & 0xFFFF) : in.c_string_at(in.offset_of_rva(low) + 2));
    }
  }
}

// The resource tree has three levels, type, name and language, then a data entry.
void read_resource_level(const reader& in, std::size_t root, std::size_t directory, int level,
                         std::vector<std::uint32_t>& path, pe_image& image) {
  std::size_t count = static_cast<std::size_t>(u16_at(in.bytes, directory + 12)) + u16_at(in.bytes, directory + 14);
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t entry = directory + 16 + i * 8;
    path.push_back(u32_at(in.bytes, entry));
    std::uint32_t target = u32_at(in.bytes, entry + 4);
    if (target & subdirectory_flag) {
      read_resource_level(in, root, root + (target & ~subdirectory_flag), level + 1, path, image);
    } else if (level == 2) {
      std::size_t data = root + target;
      std::size_t start = in.offset_of_rva(u32_at(in.bytes, data));
      std::size_t size = u32_at(in.bytes, data + 4);
      image.resources[{path[0], path[1], path[2]}] =
          byte_string(in.bytes.begin() + start, in.bytes.begin() + start + size);
    }
    path.pop_back();
  }
}

}  // namespace

std::uint16_t u16_at(const byte_string& bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8));
}

std::uint32_t u32_at(const byte_string& bytes, std::size_t offset) {
  return u16_at(bytes, offset) | (static_cast<std::uint32_t>(u16_at(bytes, offset + 2)) << 16);
}

byte_string read_file_bytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return byte_string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string read_pe_image(const byte_string& bytes, pe_image& image) {
  try {
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return "no MZ header";
    std::size_t pe = u32_at(bytes, 0x3C);
    if (u32_at(bytes, pe) != 0x00004550) return "no PE signature";
    std::size_t coff = pe + 4;
    image.machine = u16_at(bytes, coff);
    std::size_t section_count = u16_at(bytes, coff + 2);
    std::size_t optional_size = u16_at(bytes, coff + 16);
    image.characteristics = u16_at(bytes, coff + 18);
    std::size_t optional = coff + 20;
    image.magic = u16_at(bytes, optional);
    const bool pe32 = image.magic == pe32_magic;
    image.entry_point = u32_at(bytes, optional + 16);
    image.subsystem = u16_at(bytes, optional + 68);
    std::size_t directories = optional + (pe32 ? 96 : 112);

    for (std::size_t i = 0; i < section_count; ++i) {
      std::size_t header = optional + optional_size + i * 40;
      pe_section section;
      section.name = std::string(reinterpret_cast<const char*>(&bytes.at(header)), 8).c_str();
      section.virtual_size = u32_at(bytes, header + 8);
      section.virtual_address = u32_at(bytes, header + 12);
      section.raw_size = u32_at(bytes, header + 16);
      section.raw_offset = u32_at(bytes, header + 20);
      section.characteristics = u32_at(bytes, header + 36);
      image.sections.push_back(section);
    }
    reader in{bytes, image.sections};
    read_imports(in, u32_at(bytes, directories + 8), pe32, image);
    std::vector<std::uint32_t> path;
    std::size_t resource_root = in.offset_of_rva(u32_at(bytes, directories + 16));
    read_resource_level(in, resource_root, resource_root, 0, path, image);
  } catch (const std::exception& error) {
    return error.what();
  }
  return "";
}
