#include "start_up_rules.h"

namespace {

const unsigned data_folder_reserve = 40;
const unsigned fixed_file_info_size = 52;
const unsigned long fixed_file_info_signature = 0xFEEF04BDul;
const unsigned minimum_major_version = 86;

unsigned long read_u32_le(const unsigned char* bytes) {
  return bytes[0] | (bytes[1] << 8) | (static_cast<unsigned long>(bytes[2]) << 16) |
         (static_cast<unsigned long>(bytes[3]) << 24);
}

}  // namespace

bool has_self_test_argument(const wide_char* const* arguments, int count) {
  if (arguments == nullptr) return false;
  for (int i = 1; i < count; ++i) {
    if (wide_equals(arguments[i], WIDE("--self-test"))) return true;
  }
  return false;
}

bool expansion_fits(unsigned long reported_units) {
  return reported_units >= 1 && reported_units <= path_capacity;
}

bool is_usable_expansion(unsigned long reported_units, const wide_char* expanded) {
  return expansion_fits(reported_units) && !wide_contains(expanded, WIDE('%'));
}

bool data_folder_within_limit(const wide_char* data_folder) {
  return wide_length(data_folder) < path_capacity - data_folder_reserve;
}

bool join_path(wide_char* destination, const wide_char* base, const wide_char* piece) {
  return wide_copy(destination, path_capacity, base) && wide_append(destination, path_capacity, piece);
}

unsigned major_version_of(const void* fixed_info, unsigned length) {
  if (fixed_info == nullptr || length < fixed_file_info_size) return 0;
  const unsigned char* bytes = static_cast<const unsigned char*>(fixed_info);
  if (read_u32_le(bytes) != fixed_file_info_signature) return 0;
  // dwFileVersionMS follows dwSignature and dwStrucVersion; its high word is the major version.
  return static_cast<unsigned>(read_u32_le(bytes + 8) >> 16);
}

bool is_supported_major_version(unsigned major) { return major >= minimum_major_version; }
