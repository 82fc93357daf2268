// Decisions of start-up and browser discovery that need no Windows call, kept apart so they
// are unit-tested natively.
#pragma once

#include "wide_string.h"

// True when an argument after the program name is exactly "--self-test". A null array (the
// command line could not be split) means no arguments.
bool has_self_test_argument(const wide_char* const* arguments, int count);

// An environment expansion into a path buffer worked: the reported unit count (terminator
// included) is between 1 and the capacity.
bool expansion_fits(unsigned long reported_units);

// A folder or shortcut path is usable when its expansion fits and left no "%" behind (an
// undefined variable stays unexpanded).
bool is_usable_expansion(unsigned long reported_units, const wide_char* expanded);

// The data folder must leave room for the names built inside it.
bool data_folder_within_limit(const wide_char* data_folder);

// destination = base + piece, within path capacity.
bool join_path(wide_char* destination, const wide_char* base, const wide_char* piece);

// The major version from a VS_FIXEDFILEINFO block as VerQueryValueW returned it, or 0 when the
// block is missing, too short or not signed as one.
unsigned major_version_of(const void* fixed_info, unsigned length);

// Chrome and Edge below 86 lack what the app window needs.
bool is_supported_major_version(unsigned major);
