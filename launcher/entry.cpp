// The launcher's entry point. There is no C runtime, so nothing runs before this and the
// process ends only through ExitProcess.
#include <windows.h>

#include "launcher.h"

namespace {

[[noreturn]] void end_run(exit_code code, bool self_test) {
  if (code != exit_success && !self_test) show_failure_message(code);
  ExitProcess(code);
}

}  // namespace

// 32-bit Windows enters with the stack aligned to 4 bytes only; realign for the compiler.
extern "C" __attribute__((force_align_arg_pointer)) void launcher_entry() {
  // Static: its paths are far too large for the stack, and static storage starts zeroed.
  static launch_plan plan;
  const bool self_test = self_test_requested();
  if (!prepare_data_folder(plan.folders) || !write_page_file(plan.folders, plan.temporary_file)) {
    end_run(exit_extraction_failed, self_test);
  }
  if (!find_browser(plan.browser)) end_run(exit_no_browser, self_test);
  if (self_test) end_run(exit_success, self_test);
  if (!make_page_url(plan.folders.page_file, plan.page_url) ||
      !launch_app_window(plan.folders, plan.browser, plan.page_url, plan.shortcut)) {
    end_run(exit_launch_failed, self_test);
  }
  end_run(exit_success, self_test);
}
