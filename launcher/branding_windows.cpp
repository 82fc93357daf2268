// The user32 and shell32 calls behind branding.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "branding_platform.h"
#include "property_values.h"

namespace {

const WORD application_icon_id = 1;

HWND as_window(window_handle window) { return static_cast<HWND>(window); }

BOOL CALLBACK visit_window(HWND window, LPARAM) { return match_app_window(window) ? TRUE : FALSE; }

IPropertyStore* open_window_store(window_handle window) {
  IPropertyStore* store = nullptr;
  if (FAILED(SHGetPropertyStoreForWindow(as_window(window), IID_IPropertyStore, reinterpret_cast<void**>(&store)))) {
    return nullptr;
  }
  return store;
}

}  // namespace

void wait_for_process_idle(process_handle process, unsigned milliseconds) {
  WaitForInputIdle(static_cast<HANDLE>(process), milliseconds);
}

void enumerate_top_level_windows() { EnumWindows(visit_window, 0); }

bool is_visible_window(window_handle window) { return IsWindowVisible(as_window(window)) != FALSE; }

bool has_owner_window(window_handle window) { return GetWindow(as_window(window), GW_OWNER) != nullptr; }

bool read_window_model_id(window_handle window, wide_char* buffer, unsigned capacity) {
  IPropertyStore* store = open_window_store(window);
  if (store == nullptr) return false;
  PROPVARIANT value;
  clear_bytes(&value, sizeof value);
  bool copied = SUCCEEDED(store->GetValue(app_user_model_id_key, &value)) && value.vt == VT_LPWSTR &&
                value.pwszVal != nullptr && wide_copy(buffer, capacity, value.pwszVal);
  PropVariantClear(&value);
  store->Release();
  return copied;
}

bool window_exists(window_handle window) { return IsWindow(as_window(window)) != FALSE; }

icon_handle load_app_icon(icon_size size) {
  int width = GetSystemMetrics(size == icon_big ? SM_CXICON : SM_CXSMICON);
  int height = GetSystemMetrics(size == icon_big ? SM_CYICON : SM_CYSMICON);
  return LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(application_icon_id), IMAGE_ICON, width, height,
                    LR_DEFAULTCOLOR);
}

void send_window_icon(window_handle window, icon_size size, icon_handle icon) {
  SendMessageW(as_window(window), WM_SETICON, size == icon_big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void set_window_app_properties(window_handle window, const wide_char* identity, const wide_char* relaunch_icon) {
  IPropertyStore* store = open_window_store(window);
  if (store == nullptr) return;
  set_text_property(store, app_user_model_id_key, identity);
  set_text_property(store, relaunch_icon_resource_key, relaunch_icon);
  store->Commit();
  store->Release();
}

void notify_associations_changed() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

void pause_milliseconds(unsigned milliseconds) { Sleep(milliseconds); }

void close_process(process_handle process) { CloseHandle(static_cast<HANDLE>(process)); }
