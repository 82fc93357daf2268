// Test build only. An automated run cannot answer a message box, so the x86-64 test build
// records each one instead, appending it to the file named by LUMAWEAVE_MESSAGE_LOG in UTF-16LE
// as: caption, U+001F, the flags in decimal, U+001F, text, U+001E.
#pragma once

#include "wide_string.h"

void record_message_box(const wide_char* text, const wide_char* caption, unsigned flags);
