#include "launcher.h"

wide_char data_folder[path_capacity];
wide_char profile_folder[path_capacity];
wide_char page_file[path_capacity];
wide_char temporary_file[path_capacity];
wide_char browser_path[path_capacity];
wide_char model_id_prefix[component_capacity];
wide_char page_url[path_capacity];
wide_char browser_arguments[path_capacity];
wide_char app_name[path_capacity];
wide_char app_identity[identity_capacity];
wide_char executable_path[path_capacity];
wide_char shortcut_path[path_capacity];
wide_char relaunch_icon[path_capacity];
