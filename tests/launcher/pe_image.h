// A small reader of PE executables for the static checks: headers, imports and the resource
// tree, read straight from the file bytes.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using byte_string = std::vector<std::uint8_t>;

struct pe_section {
  std::string name;
  std::uint32_t virtual_address = 0;
  std::uint32_t virtual_size = 0;
  std::uint32_t raw_offset = 0;
  std::uint32_t raw_size = 0;
  std::uint32_t characteristics = 0;
};

// Type, name and language of a resource, all numeric as the launcher uses them.
typedef std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> resource_key;

struct pe_image {
  std::uint16_t machine = 0;
  std::uint16_t characteristics = 0;
  std::uint16_t magic = 0;
  std::uint16_t subsystem = 0;
  std::uint32_t entry_point = 0;
  std::vector<pe_section> sections;
  // Lower-case DLL name -> imported function names.
  std::map<std::string, std::set<std::string>> imports;
  std::map<resource_key, byte_string> resources;
};

byte_string read_file_bytes(const std::string& path);

// Fills image from the bytes; returns an empty string or what made the file unreadable.
std::string read_pe_image(const byte_string& bytes, pe_image& image);

std::uint16_t u16_at(const byte_string& bytes, std::size_t offset);
std::uint32_t u32_at(const byte_string& bytes, std::size_t offset);
