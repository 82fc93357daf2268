// The two taskbar properties that the shortcut and the app window carry.
#pragma once

#include <windows.h>
#include <propsys.h>

#include "wide_string.h"

extern const PROPERTYKEY app_user_model_id_key;
extern const PROPERTYKEY relaunch_icon_resource_key;

// Stores text as a VT_LPWSTR value that points at the caller's buffer; the store copies it.
HRESULT set_text_property(IPropertyStore* store, const PROPERTYKEY& key, const wide_char* text);
