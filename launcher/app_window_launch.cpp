// App-window launch: a Start-menu shortcut that starts the browser in app mode under the
// app-window identity, opened through the shell so the window joins that identity.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "app_identity.h"
#include "branding.h"
#include "launcher.h"
#include "property_values.h"
#include "start_up_rules.h"

namespace {

// COM may already run in another mode on this thread; that serves as well, but then it is not
// ours to uninitialise.
bool initialise_com(bool& initialised) {
  HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  initialised = SUCCEEDED(result);
  return initialised || result == RPC_E_CHANGED_MODE;
}

// A result equal to the capacity means the path was cut short.
bool read_executable_path(wide_char* executable_path) {
  DWORD units = GetModuleFileNameW(nullptr, executable_path, path_capacity);
  return units != 0 && units < path_capacity;
}

bool make_shortcut_path(const wide_char* data_folder, wide_char* shortcut_path) {
  DWORD units = ExpandEnvironmentStringsW(WIDE("%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\Lumaweave.lnk"),
                                          shortcut_path, path_capacity);
  return is_usable_expansion(units, shortcut_path) || join_path(shortcut_path, data_folder, WIDE("\\Lumaweave.lnk"));
}

bool plan_shortcut(const data_folder_paths& folders, const chosen_browser& browser, const wide_char* page_url,
                   app_window_shortcut& shortcut) {
  shortcut.target = browser.path;
  shortcut.working_folder = folders.folder;
  return passes_length_guard(page_url, folders.profile_folder) &&
         make_browser_arguments(page_url, folders.profile_folder, shortcut.arguments) &&
         make_app_name(page_url, shortcut.app_name) &&
         make_app_identity(browser.model_id_prefix, shortcut.app_name, shortcut.identity) &&
         read_executable_path(shortcut.executable_path) && make_shortcut_path(folders.folder, shortcut.path) &&
         join_path(shortcut.relaunch_icon, shortcut.executable_path, WIDE(",0"));
}

bool fill_and_save_shortcut(const app_window_shortcut& shortcut, IShellLinkW* link, IPropertyStore*& store,
                            IPersistFile*& persist) {
  return SUCCEEDED(link->SetPath(shortcut.target)) && SUCCEEDED(link->SetArguments(shortcut.arguments)) &&
         SUCCEEDED(link->SetWorkingDirectory(shortcut.working_folder)) &&
         SUCCEEDED(link->SetDescription(WIDE("Lumaweave"))) &&
         SUCCEEDED(link->SetIconLocation(shortcut.executable_path, 0)) &&
         SUCCEEDED(link->QueryInterface(IID_IPropertyStore, reinterpret_cast<void**>(&store))) &&
         SUCCEEDED(set_text_property(store, app_user_model_id_key, shortcut.identity)) &&
         SUCCEEDED(set_text_property(store, relaunch_icon_resource_key, shortcut.relaunch_icon)) &&
         SUCCEEDED(store->Commit()) &&
         SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
         SUCCEEDED(persist->Save(shortcut.path, TRUE));
}

bool save_shortcut(const app_window_shortcut& shortcut) {
  IShellLinkW* link = nullptr;
  HRESULT created = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link));
  if (FAILED(created) || link == nullptr) return false;
  IPropertyStore* store = nullptr;
  IPersistFile* persist = nullptr;
  bool saved = fill_and_save_shortcut(shortcut, link, store, persist);
  if (persist != nullptr) persist->Release();
  if (store != nullptr) store->Release();
  link->Release();
  return saved;
}

bool open_shortcut(const wide_char* shortcut_path, HANDLE& process) {
  SHELLEXECUTEINFOW info;
  clear_bytes(&info, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.lpVerb = WIDE("open");
  info.lpFile = shortcut_path;
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return false;
  process = info.hProcess;
  return true;
}

}  // namespace

// Once the shell has started the browser the launch has succeeded; branding only tries its best,
// and without a process handle (the shell may start the target without one) there is no window
// to wait for.
bool launch_app_window(const data_folder_paths& folders, const chosen_browser& browser, const wide_char* page_url,
                       app_window_shortcut& shortcut) {
  bool com_initialised = false;
  if (!initialise_com(com_initialised)) return false;
  HANDLE process = nullptr;
  bool launched = plan_shortcut(folders, browser, page_url, shortcut) && save_shortcut(shortcut) &&
                  open_shortcut(shortcut.path, process);
  if (launched && process != nullptr) brand_app_window(process, shortcut.identity, shortcut.relaunch_icon);
  if (com_initialised) CoUninitialize();
  return launched;
}
