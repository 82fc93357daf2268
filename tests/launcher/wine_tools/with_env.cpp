// Runs a program under a changed environment, for the wine tests: wine sets LOCALAPPDATA, APPDATA
// and TEMP from the prefix whatever the Unix environment says, so they can only be changed from
// inside. Usage: with_env NAME=VALUE... NAME= (removes NAME) -- COMMAND LINE
// Exits with the program's exit code, or 255 when it cannot be run.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc && std::wcscmp(argv[i], L"--") != 0; ++i) {
    wchar_t* equals = std::wcschr(argv[i], L'=');
    if (equals == nullptr) return 255;
    *equals = 0;
    SetEnvironmentVariableW(argv[i], equals[1] != 0 ? equals + 1 : nullptr);
  }
  const wchar_t* separator = std::wcsstr(GetCommandLineW(), L" -- ");
  if (separator == nullptr) return 255;
  static wchar_t command_line[32768];
  std::wcsncpy(command_line, separator + 4, 32767);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return 255;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 255;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
