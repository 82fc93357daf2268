#include "test_recorder.h"

#include <windows.h>

namespace {

const unsigned record_capacity = 1024;

wide_char log_path[path_capacity];
wide_char record[record_capacity];
wide_char number_text[12];
wide_char reversed_digits[12];

void format_decimal(unsigned value, wide_char* text) {
  unsigned count = 0;
  do {
    reversed_digits[count++] = static_cast<wide_char>(WIDE('0') + value % 10);
    value /= 10;
  } while (value != 0);
  for (unsigned i = 0; i < count; ++i) text[i] = reversed_digits[count - 1 - i];
  text[count] = 0;
}

bool append_field(const wide_char* field) {
  return wide_append(record, record_capacity, WIDE("\x1f")) && wide_append(record, record_capacity, field);
}

bool append_number(unsigned value) {
  format_decimal(value, number_text);
  return append_field(number_text);
}

void write_record() {
  if (!wide_append(record, record_capacity, WIDE("\x1e"))) return;
  DWORD units = GetEnvironmentVariableW(WIDE("LUMAWEAVE_TEST_LOG"), log_path, path_capacity);
  if (units == 0 || units >= path_capacity) return;
  HANDLE file = CreateFileW(log_path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, record, wide_length(record) * sizeof(wide_char), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

void record_message_box(const wide_char* text, const wide_char* caption, unsigned flags) {
  if (wide_copy(record, record_capacity, WIDE("message")) && append_field(caption) && append_number(flags) &&
      append_field(text)) {
    write_record();
  }
}

void record_text_property(unsigned property_id, const wide_char* text) {
  if (wide_copy(record, record_capacity, WIDE("property")) && append_number(property_id) && append_field(text)) {
    write_record();
  }
}
