// The message box of a failed run, one per failure kind.
#include <windows.h>

#include "launcher.h"
#if defined(LUMAWEAVE_TEST_SEAMS)
#include "test_recorder.h"
#endif

namespace {

struct failure_message {
  exit_code code;
  const wide_char* caption;
  const wide_char* text;
  UINT icon;
};

const failure_message failure_messages[] = {
    {exit_extraction_failed, WIDE("Lumaweave"),
     WIDE("无法释放编辑器文件。请确认当前用户对本地应用数据目录具有写入权限。"), MB_ICONERROR},
    {exit_no_browser, WIDE("缺少兼容浏览器"),
     WIDE("未找到可用的 Chromium 浏览器。\n\nWindows 7：请安装 Chrome 109 或 Edge 109。\n"
          "Windows 11：请安装或启用当前版 Google Chrome / Microsoft Edge。\n\n"
          "浏览器版本必须为 86 或更高，IE 不受支持。"),
     MB_ICONWARNING},
    {exit_launch_failed, WIDE("Lumaweave"),
     WIDE("编辑器文件已经准备完成，但浏览器启动失败。请重新安装或修复 Chrome / Edge 后再试。"), MB_ICONERROR},
};

void show_message(const wide_char* text, const wide_char* caption, UINT flags) {
#if defined(LUMAWEAVE_TEST_SEAMS)
  record_message_box(text, caption, flags);
#else
  MessageBoxW(nullptr, text, caption, flags);
#endif
}

}  // namespace

void show_failure_message(exit_code code) {
  for (const failure_message& message : failure_messages) {
    if (message.code == code) show_message(message.text, message.caption, message.icon | MB_OK);
  }
}
