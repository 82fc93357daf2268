// Browser discovery: the first of six fixed Chrome and Edge locations that holds a browser of
// version 86 or later, and the page's file URL for it.
#include <windows.h>
#include <shlwapi.h>

#include "launcher.h"
#include "start_up_rules.h"

namespace {

struct browser_candidate {
  const wide_char* path_template;
  const wide_char* model_id_prefix;
};

// Chrome before Edge, and machine-wide installations before per-user ones.
const browser_candidate candidates[] = {
    {WIDE("%ProgramFiles%\\Google\\Chrome\\Application\\chrome.exe"), WIDE("Chrome")},
    {WIDE("%ProgramFiles(x86)%\\Google\\Chrome\\Application\\chrome.exe"), WIDE("Chrome")},
    {WIDE("%LOCALAPPDATA%\\Google\\Chrome\\Application\\chrome.exe"), WIDE("Chrome")},
    {WIDE("%ProgramFiles%\\Microsoft\\Edge\\Application\\msedge.exe"), WIDE("MSEdge")},
    {WIDE("%ProgramFiles(x86)%\\Microsoft\\Edge\\Application\\msedge.exe"), WIDE("MSEdge")},
    {WIDE("%LOCALAPPDATA%\\Microsoft\\Edge\\Application\\msedge.exe"), WIDE("MSEdge")},
};

bool is_existing_file(const wide_char* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The version block is the launcher's only heap allocation, and it lives for one candidate.
unsigned browser_major_version(const wide_char* path) {
  DWORD unused_handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &unused_handle);
  if (size == 0) return 0;
  HANDLE heap = GetProcessHeap();
  void* block = HeapAlloc(heap, 0, size);
  if (block == nullptr) return 0;
  unsigned major = 0;
  void* fixed_info = nullptr;
  UINT length = 0;
  if (GetFileVersionInfoW(path, 0, size, block) && VerQueryValueW(block, WIDE("\\"), &fixed_info, &length)) {
    major = major_version_of(fixed_info, length);
  }
  HeapFree(heap, 0, block);
  return major;
}

bool qualifies(const browser_candidate& candidate, wide_char* browser_path) {
  DWORD units = ExpandEnvironmentStringsW(candidate.path_template, browser_path, path_capacity);
  return expansion_fits(units) && is_existing_file(browser_path) &&
         is_supported_major_version(browser_major_version(browser_path));
}

}  // namespace

bool find_browser(chosen_browser& browser) {
  for (const browser_candidate& candidate : candidates) {
    if (qualifies(candidate, browser.path)) {
      return wide_copy(browser.model_id_prefix, component_capacity, candidate.model_id_prefix);
    }
  }
  return false;
}

bool make_page_url(const wide_char* page_file, wide_char* page_url) {
  DWORD length = path_capacity;
  return SUCCEEDED(UrlCreateFromPathW(page_file, page_url, &length, 0)) && page_url[0] != 0;
}
