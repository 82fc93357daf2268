// The launcher's steps over the Windows API and the plan of the launch that they fill in turn.
// Each step takes the parts of the plan it reads and the parts it fills, and reports success or
// failure; the entry routine holds the plan and maps failures to exit codes.
#pragma once

#include "wide_string.h"

enum exit_code {
  exit_success = 0,
  exit_extraction_failed = 20,
  exit_no_browser = 21,
  exit_launch_failed = 22,
};

// The data folder and the paths inside it, settled by start-up.
struct data_folder_paths {
  wide_char folder[path_capacity];
  wide_char profile_folder[path_capacity];
  wide_char page_file[path_capacity];
};

// The first browser candidate that qualified, and the family name that its app windows carry.
struct chosen_browser {
  wide_char path[path_capacity];
  wide_char model_id_prefix[component_capacity];
};

// The Start-menu shortcut that starts the browser as an app window, and the identity that the
// shortcut and the window share. Target and working folder point into the plan's other parts.
struct app_window_shortcut {
  const wide_char* target;
  const wide_char* working_folder;
  wide_char arguments[path_capacity];
  wide_char app_name[path_capacity];  // the identity's middle component before shortening
  wide_char identity[identity_capacity];
  wide_char executable_path[path_capacity];
  wide_char relaunch_icon[path_capacity];
  wide_char path[path_capacity];
};

// Everything one run works out, in the order in which the steps fill it.
struct launch_plan {
  data_folder_paths folders;
  wide_char temporary_file[path_capacity];
  chosen_browser browser;
  wide_char page_url[path_capacity];
  app_window_shortcut shortcut;
};

// start_up.cpp
bool self_test_requested();
bool prepare_data_folder(data_folder_paths& folders);
bool write_page_file(const data_folder_paths& folders, wide_char* temporary_file);

// browser_discovery.cpp
bool find_browser(chosen_browser& browser);
bool make_page_url(const wide_char* page_file, wide_char* page_url);

// app_window_launch.cpp
bool launch_app_window(const data_folder_paths& folders, const chosen_browser& browser, const wide_char* page_url,
                       app_window_shortcut& shortcut);

// messages.cpp: the one message box of a failed run.
void show_failure_message(exit_code code);
