// Start-up: the self-test switch, the data folder and the page file written from resource 100.
#include <windows.h>
#include <shellapi.h>

#include "launcher.h"
#include "start_up_rules.h"

namespace {

const WORD page_resource_id = 100;

bool expand_data_folder(const wide_char* path_template, wide_char* data_folder) {
  DWORD units = ExpandEnvironmentStringsW(path_template, data_folder, path_capacity);
  return is_usable_expansion(units, data_folder);
}

bool create_folder(const wide_char* path) {
  return CreateDirectoryW(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool load_page_resource(const BYTE*& data, DWORD& size) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(page_resource_id), MAKEINTRESOURCEW(10));
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (loaded == nullptr) return false;
  data = static_cast<const BYTE*>(LockResource(loaded));
  size = SizeofResource(nullptr, found);
  return data != nullptr && size != 0;
}

// WriteFile may take fewer bytes than asked; a write of nothing would loop for ever.
bool write_all(HANDLE file, const BYTE* data, DWORD size) {
  DWORD offset = 0;
  while (offset < size) {
    DWORD written = 0;
    if (!WriteFile(file, data + offset, size - offset, &written, nullptr) || written == 0) return false;
    offset += written;
  }
  return true;
}

bool fill_temporary_file(const wide_char* temporary_file, const BYTE* data, DWORD size) {
  HANDLE file = CreateFileW(temporary_file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool complete = write_all(file, data, size) && FlushFileBuffers(file);
  CloseHandle(file);
  return complete;
}

}  // namespace

bool self_test_requested() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  bool requested = has_self_test_argument(arguments, count);
  if (arguments != nullptr) LocalFree(arguments);
  return requested;
}

// LOCALAPPDATA first, TEMP only when that cannot be expanded; a chosen folder that cannot be
// created ends the run rather than scattering the data over two places.
bool prepare_data_folder(data_folder_paths& folders) {
  if (!expand_data_folder(WIDE("%LOCALAPPDATA%\\Lumaweave"), folders.folder) &&
      !expand_data_folder(WIDE("%TEMP%\\Lumaweave"), folders.folder)) {
    return false;
  }
  return create_folder(folders.folder) && data_folder_within_limit(folders.folder) &&
         join_path(folders.profile_folder, folders.folder, WIDE("\\BrowserProfile")) &&
         create_folder(folders.profile_folder) &&
         join_path(folders.page_file, folders.folder, WIDE("\\" LUMAWEAVE_PAGE_FILE_NAME));
}

// The page goes to a temporary file first and is then moved over the old copy, so the page file
// is never left half-written.
bool write_page_file(const data_folder_paths& folders, wide_char* temporary_file) {
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!load_page_resource(data, size)) return false;
  if (!GetTempFileNameW(folders.folder, WIDE("LMW"), 0, temporary_file)) return false;
  if (fill_temporary_file(temporary_file, data, size) &&
      MoveFileExW(temporary_file, folders.page_file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(temporary_file);
  return false;
}
