#include "app_identity.h"

#include "start_up_rules.h"

namespace {

const unsigned longest_component = 20;
const unsigned kept_at_each_end = 10;
const unsigned profile_text_capacity = 64;
const unsigned length_guard_reserve = 140;

wide_char shortened_prefix[component_capacity];
wide_char shortened_app_name[component_capacity];
wide_char shortened_profile[component_capacity];
wide_char profile_text[profile_text_capacity];

// The two units after the colon are the slashes of "file://"; never step past the terminator.
const wide_char* text_after_scheme(const wide_char* url) {
  const wide_char* colon = url;
  while (*colon != 0 && *colon != WIDE(':')) ++colon;
  if (*colon == 0) return colon;
  const wide_char* rest = colon + 1;
  for (int skipped = 0; skipped < 2 && *rest != 0; ++skipped) ++rest;
  return rest;
}

}  // namespace

void shorten_component(const wide_char* source, wide_char* destination) {
  unsigned length = wide_length(source);
  if (length <= longest_component) {
    wide_copy(destination, component_capacity, source);  // cannot fail: 20 units fit in 32
    return;
  }
  for (unsigned i = 0; i < kept_at_each_end; ++i) {
    destination[i] = source[i];
    destination[kept_at_each_end + i] = source[length - kept_at_each_end + i];
  }
  destination[longest_component] = 0;
}

bool make_app_name(const wide_char* page_url, wide_char* app_name) {
  return join_path(app_name, WIDE("_"), text_after_scheme(page_url));
}

bool make_app_identity(const wide_char* model_id_prefix, const wide_char* app_name, wide_char* identity) {
  if (!wide_copy(profile_text, profile_text_capacity, WIDE("BrowserProfile.Default"))) return false;
  shorten_component(model_id_prefix, shortened_prefix);
  shorten_component(app_name, shortened_app_name);
  shorten_component(profile_text, shortened_profile);
  identity[0] = 0;
  return wide_append(identity, identity_capacity, shortened_prefix) &&
         wide_append(identity, identity_capacity, WIDE(".")) &&
         wide_append(identity, identity_capacity, shortened_app_name) &&
         wide_append(identity, identity_capacity, WIDE(".")) &&
         wide_append(identity, identity_capacity, shortened_profile);
}

bool passes_length_guard(const wide_char* page_url, const wide_char* profile_folder) {
  return wide_length(page_url) + wide_length(profile_folder) + length_guard_reserve <= path_capacity - 1;
}

bool make_browser_arguments(const wide_char* page_url, const wide_char* profile_folder, wide_char* arguments) {
  return wide_copy(arguments, path_capacity, WIDE("--app=\"")) &&
         wide_append(arguments, path_capacity, page_url) &&
         wide_append(arguments, path_capacity, WIDE("\" --user-data-dir=\"")) &&
         wide_append(arguments, path_capacity, profile_folder) &&
         wide_append(arguments, path_capacity,
                     WIDE("\" --no-first-run --no-default-browser-check --disable-background-networking"
                          " --disable-background-mode"));
}
