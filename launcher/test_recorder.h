// Test build only. What an automated run under wine cannot observe is recorded instead: message
// boxes (no one can answer them) and the text properties set on the shortcut and the window
// (wine accepts them but does not store them). Records are appended to the file named by
// LUMAWEAVE_TEST_LOG in UTF-16LE, as fields separated by U+001F and ended by U+001E:
//   message, caption, flags in decimal, text
//   property, property id in decimal, text
#pragma once

#include "wide_string.h"

void record_message_box(const wide_char* text, const wide_char* caption, unsigned flags);
void record_text_property(unsigned property_id, const wide_char* text);
