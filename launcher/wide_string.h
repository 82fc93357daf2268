// Zero-terminated UTF-16 strings in fixed buffers, and the bounded routines that work on them.
// A capacity counts 16-bit units including the terminator. Nothing here allocates, and the
// routines that write report failure instead of truncating. Compiles for Windows (where the
// unit is wchar_t, as the Windows API expects) and natively for the unit tests (char16_t).
#pragma once

#if defined(_WIN32)
typedef wchar_t wide_char;
#define WIDE(text) L##text
#else
typedef char16_t wide_char;
#define WIDE(text) u##text
#endif

// Capacities shared by the launcher's buffers.
const unsigned path_capacity = 32768;
const unsigned component_capacity = 32;
const unsigned identity_capacity = 65;

// Number of units before the terminator.
unsigned wide_length(const wide_char* text);

// Copies source with its terminator when its length is less than capacity. Otherwise fails and
// leaves an unterminated partial copy that the caller must abandon.
bool wide_copy(wide_char* destination, unsigned capacity, const wide_char* source);

// Appends source when the combined length stays below capacity; fails otherwise.
bool wide_append(wide_char* destination, unsigned capacity, const wide_char* source);

// Same length and the same units; case-sensitive.
bool wide_equals(const wide_char* first, const wide_char* second);

bool wide_contains(const wide_char* text, wide_char unit);

void clear_bytes(void* address, unsigned long count);
