// The launcher's steps over the Windows API and the state they share. Each step reports success
// or failure; the entry routine maps failures to exit codes.
#pragma once

#include "wide_string.h"

enum exit_code {
  exit_success = 0,
  exit_extraction_failed = 20,
  exit_no_browser = 21,
  exit_launch_failed = 22,
};

// Working strings, static and zero-initialised, alive for the whole run.
extern wide_char data_folder[path_capacity];
extern wide_char profile_folder[path_capacity];
extern wide_char page_file[path_capacity];
extern wide_char temporary_file[path_capacity];
extern wide_char browser_path[path_capacity];
extern wide_char model_id_prefix[component_capacity];
extern wide_char page_url[path_capacity];
extern wide_char browser_arguments[path_capacity];
extern wide_char app_name[path_capacity];
extern wide_char app_identity[identity_capacity];
extern wide_char executable_path[path_capacity];
extern wide_char shortcut_path[path_capacity];
extern wide_char relaunch_icon[path_capacity];

// start_up.cpp
bool self_test_requested();
bool prepare_data_folder();
bool write_page_file();

// browser_discovery.cpp
bool find_browser();
bool make_page_url();

// app_window_launch.cpp
bool launch_app_window();

// messages.cpp: the one message box of a failed run.
void show_failure_message(exit_code code);
