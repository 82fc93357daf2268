// The browser command line and the app-window identity (the AppUserModelID that the browser
// gives an app window for this page and profile). Pure text work, unit-tested natively.
#pragma once

#include "wide_string.h"

// Components longer than 20 units keep their first and last 10; the browser shortens the parts
// of the identity the same way, and the launcher must produce the identical string.
void shorten_component(const wide_char* source, wide_char* destination);

// "_" followed by the URL from the third unit after its first colon; "_" alone without a colon.
bool make_app_name(const wide_char* page_url, wide_char* app_name);

// prefix "." app name "." "BrowserProfile.Default", each component shortened, into a buffer of
// identity_capacity units.
bool make_app_identity(const wide_char* model_id_prefix, const wide_char* app_name, wide_char* identity);

// The URL and the profile path must leave room for the fixed parts of the command line.
bool passes_length_guard(const wide_char* page_url, const wide_char* profile_folder);

// --app="URL" --user-data-dir="PROFILE" and four switches that keep the browser quiet.
bool make_browser_arguments(const wide_char* page_url, const wide_char* profile_folder, wide_char* arguments);
