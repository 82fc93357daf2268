// Stands in for chrome.exe or msedge.exe in the wine tests: writes the command line it was
// started with, in UTF-16LE, to its own path followed by ".command-line", and exits.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t record_path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(nullptr, record_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  lstrcatW(record_path, L".command-line");
  HANDLE file = CreateFileW(record_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const wchar_t* command_line = GetCommandLineW();
  DWORD written = 0;
  BOOL ok = WriteFile(file, command_line, lstrlenW(command_line) * sizeof(wchar_t), &written, nullptr);
  CloseHandle(file);
  return ok ? 0 : 1;
}
