#include "property_values.h"

#if defined(LUMAWEAVE_TEST_SEAMS)
#include "test_recorder.h"
#endif

// PKEY_AppUserModel_ID and PKEY_AppUserModel_RelaunchIconResource.
const PROPERTYKEY app_user_model_id_key = {
    {0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3}}, 5};
const PROPERTYKEY relaunch_icon_resource_key = {
    {0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3}}, 3};

HRESULT set_text_property(IPropertyStore* store, const PROPERTYKEY& key, const wide_char* text) {
  PROPVARIANT value;
  clear_bytes(&value, sizeof value);
  value.vt = VT_LPWSTR;
  value.pwszVal = const_cast<wide_char*>(text);  // only read: SetValue copies the text
#if defined(LUMAWEAVE_TEST_SEAMS)
  record_text_property(key.pid, text);
#endif
  return store->SetValue(key, value);
}
