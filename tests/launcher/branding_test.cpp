// Branding against a simulated desktop: the platform calls of branding_platform.h are served by
// a list of windows that appear and close on a clock that only pauses and the idle wait advance.
#include "branding.h"
#include "branding_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::u16string identity = u"Chrome._/C:/users1.2.1.html.BrowserProle.Default";
const std::u16string relaunch = u"C:\\Lumaweave.exe,0";

struct fake_window {
  bool visible = true;
  bool owned = false;
  bool has_store = true;
  std::u16string model_id;
  unsigned appears_at_ms = 0;
  unsigned closes_at_ms = ~0u;
  bool closes_once_found = false;
  int icon_messages = 0;
  int property_sets = 0;
};

struct fake_desktop {
  std::vector<fake_window> windows;
  unsigned now_ms = 0;
  int enumerations = 0;
  int windows_visited = 0;
  int icon_loads = 0;
  bool icons_load = true;
  int notifications = 0;
  int processes_closed = 0;
  unsigned notified_at_ms = 0;
  std::vector<std::u16string> events;
};

fake_desktop desktop;
int the_process = 7;

fake_window& window_of(window_handle window) { return *static_cast<fake_window*>(window); }

bool is_alive(const fake_window& window) {
  return desktop.now_ms >= window.appears_at_ms && desktop.now_ms < window.closes_at_ms;
}

class Branding : public ::testing::Test {
 protected:
  void SetUp() override { desktop = fake_desktop(); }

  void add_window(fake_window window) { desktop.windows.push_back(window); }

  void run() {
    brand_app_window(&the_process, identity.c_str(), relaunch.c_str());
  }
};

TEST_F(Branding, FindsTheWindowThatCarriesTheIdentityAndBrandsItForThirtyPasses) {
  add_window({});
  add_window({.model_id = identity});
  add_window({.model_id = identity});
  run();
  EXPECT_EQ(desktop.enumerations, 1);
  EXPECT_EQ(desktop.windows_visited, 2) << "the enumeration stops at the first match";
  EXPECT_EQ(desktop.windows[1].icon_messages, 60);
  EXPECT_EQ(desktop.windows[1].property_sets, 30);
  EXPECT_EQ(desktop.windows[2].icon_messages, 0);
  EXPECT_EQ(desktop.icon_loads, 2);
  ASSERT_GE(desktop.events.size(), 3u);
  EXPECT_EQ(desktop.events[0], u"big icon");
  EXPECT_EQ(desktop.events[1], u"small icon");
  EXPECT_EQ(desktop.events[2], u"properties " + identity + u" " + relaunch);
  EXPECT_EQ(desktop.notifications, 1);
  EXPECT_EQ(desktop.notified_at_ms, 5000u + 30 * 100);
  EXPECT_EQ(desktop.processes_closed, 1);
}

TEST_F(Branding, SkipsInvisibleOwnedAndStorelessWindowsAndOtherIdentities) {
  add_window({.visible = false, .model_id = identity});
  add_window({.owned = true, .model_id = identity});
  add_window({.has_store = false, .model_id = identity});
  add_window({.model_id = u"chrome._/C:/users1.2.1.html.BrowserProle.Default"});
  add_window({.model_id = identity + u"x"});
  add_window({.model_id = std::u16string(200, u'C')});
  run();
  EXPECT_EQ(desktop.enumerations, 50);
  EXPECT_EQ(desktop.icon_loads, 0);
  EXPECT_EQ(desktop.notifications, 0);
  EXPECT_EQ(desktop.processes_closed, 1);
  for (const fake_window& window : desktop.windows) EXPECT_EQ(window.property_sets, 0);
}

TEST_F(Branding, SearchesForAboutFiveSecondsAfterTheIdleWait) {
  add_window({.model_id = identity, .appears_at_ms = 5000 + 3000});
  run();
  EXPECT_EQ(desktop.enumerations, 31);
  EXPECT_EQ(desktop.windows[0].property_sets, 30);

  SetUp();
  add_window({.model_id = identity, .appears_at_ms = 5000 + 4900});
  run();
  EXPECT_EQ(desktop.enumerations, 50);
  EXPECT_EQ(desktop.windows[0].property_sets, 30);

  SetUp();
  add_window({.model_id = identity, .appears_at_ms = 5000 + 5000});
  run();
  EXPECT_EQ(desktop.enumerations, 50);
  EXPECT_EQ(desktop.windows[0].property_sets, 0);
  EXPECT_EQ(desktop.notifications, 0);
  EXPECT_EQ(desktop.now_ms, 5000u + 50 * 100);
}

TEST_F(Branding, StopsWhenTheWindowClosesAndStillNotifiesTheShell) {
  add_window({.model_id = identity, .closes_at_ms = 5000 + 1050});
  run();
  EXPECT_EQ(desktop.windows[0].property_sets, 11);
  EXPECT_EQ(desktop.notifications, 1);
  EXPECT_EQ(desktop.processes_closed, 1);
}

TEST_F(Branding, WindowGoneBeforeTheFirstPassStillNotifies) {
  add_window({.model_id = identity, .closes_once_found = true});
  run();
  EXPECT_EQ(desktop.windows[0].property_sets, 0);
  EXPECT_EQ(desktop.notifications, 1);
}

TEST_F(Branding, IconsThatDoNotLoadAreSkippedButPropertiesAreSet) {
  add_window({.model_id = identity});
  desktop.icons_load = false;
  run();
  EXPECT_EQ(desktop.icon_loads, 2);
  EXPECT_EQ(desktop.windows[0].icon_messages, 0);
  EXPECT_EQ(desktop.windows[0].property_sets, 30);
}

}  // namespace

// The simulated platform.

void wait_for_process_idle(process_handle process, unsigned milliseconds) {
  EXPECT_EQ(process, &the_process);
  desktop.now_ms += milliseconds;
}

void enumerate_top_level_windows() {
  ++desktop.enumerations;
  for (fake_window& window : desktop.windows) {
    if (!is_alive(window)) continue;
    ++desktop.windows_visited;
    if (!match_app_window(&window)) return;
  }
}

bool is_visible_window(window_handle window) { return window_of(window).visible; }
bool has_owner_window(window_handle window) { return window_of(window).owned; }

bool read_window_model_id(window_handle window, wide_char* buffer, unsigned capacity) {
  const fake_window& fake = window_of(window);
  return fake.has_store && wide_copy(buffer, capacity, fake.model_id.c_str());
}

bool window_exists(window_handle window) {
  const fake_window& fake = window_of(window);
  return is_alive(fake) && !fake.closes_once_found;
}

icon_handle load_app_icon(icon_size size) {
  ++desktop.icon_loads;
  static int big_icon = 1, small_icon = 2;
  if (!desktop.icons_load) return nullptr;
  return size == icon_big ? &big_icon : &small_icon;
}

void send_window_icon(window_handle window, icon_size size, icon_handle) {
  ++window_of(window).icon_messages;
  desktop.events.push_back(size == icon_big ? u"big icon" : u"small icon");
}

void set_window_app_properties(window_handle window, const wide_char* identity_text, const wide_char* relaunch_icon) {
  ++window_of(window).property_sets;
  desktop.events.push_back(u"properties " + std::u16string(identity_text) + u" " + relaunch_icon);
}

void notify_associations_changed() {
  ++desktop.notifications;
  desktop.notified_at_ms = desktop.now_ms;
}

void pause_milliseconds(unsigned milliseconds) { desktop.now_ms += milliseconds; }

void close_process(process_handle process) {
  EXPECT_EQ(process, &the_process);
  ++desktop.processes_closed;
}
