#include "wide_string.h"

unsigned wide_length(const wide_char* text) {
  unsigned length = 0;
  while (text[length] != 0) ++length;
  return length;
}

bool wide_copy(wide_char* destination, unsigned capacity, const wide_char* source) {
  for (unsigned i = 0; i < capacity; ++i) {
    destination[i] = source[i];
    if (source[i] == 0) return true;
  }
  return false;
}

bool wide_append(wide_char* destination, unsigned capacity, const wide_char* source) {
  unsigned length = wide_length(destination);
  if (length >= capacity) return false;
  return wide_copy(destination + length, capacity - length, source);
}

bool wide_equals(const wide_char* first, const wide_char* second) {
  unsigned i = 0;
  while (first[i] != 0 && first[i] == second[i]) ++i;
  return first[i] == second[i];
}

bool wide_contains(const wide_char* text, wide_char unit) {
  for (unsigned i = 0; text[i] != 0; ++i) {
    if (text[i] == unit) return true;
  }
  return false;
}

void clear_bytes(void* address, unsigned long count) {
  unsigned char* bytes = static_cast<unsigned char*>(address);
  for (unsigned long i = 0; i < count; ++i) bytes[i] = 0;
}
