// The launcher links without the C runtime, yet the compiler still emits calls to memset and
// memcpy when it zeroes or copies a structure. These two are all it needs. The build turns off
// the loop-to-call optimisation (-fno-tree-loop-distribute-patterns), which would otherwise
// compile these very loops into calls to themselves.
#include <stddef.h>

extern "C" void* memset(void* destination, int value, size_t count) {
  unsigned char* bytes = static_cast<unsigned char*>(destination);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(value);
  return destination;
}

extern "C" void* memcpy(void* destination, const void* source, size_t count) {
  unsigned char* to = static_cast<unsigned char*>(destination);
  const unsigned char* from = static_cast<const unsigned char*>(source);
  for (size_t i = 0; i < count; ++i) to[i] = from[i];
  return destination;
}
