// Process services: the instance mutex across processes, asking a window to
// quit, collation, and the bundle the program hands to its logic.
#include <gtest/gtest.h>
#include <string>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"

namespace tvx::win32 {
namespace {

// Exit code of the probe program: 1 when the mutex already existed, 0 when not.
int RunProbe(const std::string& mutexName) {
  std::string line = "mutex_probe.exe \"" + mutexName + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  DWORD code = 99;
  if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

TEST(SystemTest, InstanceMutexIsSeenByLaterProcessesUntilItsOwnerEnds) {
  std::string name = "tavrix-test-" + std::to_string(GetCurrentProcessId());
  EXPECT_EQ(RunProbe(name), 0);  // nobody holds it yet
  EXPECT_EQ(RunProbe(name), 0);  // the probe's own handle went with it
  {
    Win32System system;
    EXPECT_FALSE(system.CreateInstanceMutex(name));
    EXPECT_EQ(RunProbe(name), 1);
    EXPECT_TRUE(system.CreateInstanceMutex(name));  // a second creation in this process sees it too
  }
  EXPECT_EQ(RunProbe(name), 0);  // closed with the object that held it
}

struct QuitTarget {
  std::string title;
  HANDLE ready = nullptr;
  HWND window = nullptr;
  WPARAM quitCode = 1234;
  bool sawQuit = false;
};

DWORD WINAPI WindowThread(void* arg) {
  auto* target = static_cast<QuitTarget*>(arg);
  // A busy Wine now and then refuses a window while its desktop process is
  // still answering another program; a moment later it is given.
  for (int attempt = 0; attempt < 50 && !target->window; ++attempt) {
    if (attempt) Sleep(100);
    target->window = CreateWindowExA(0, "STATIC", target->title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  SetEvent(target->ready);
  if (!target->window) return 1;
  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) DispatchMessageA(&msg);
  target->sawQuit = got == 0;
  target->quitCode = msg.wParam;
  DestroyWindow(target->window);
  return 0;
}

TEST(SystemTest, PostQuitToWindowEndsTheMessageLoopOfTheTitledWindow) {
  Win32System system;
  // Outlives the window thread even if that thread is stuck. The title is one
  // of its own, so that no other window of the session can answer.
  static QuitTarget target;
  target.title = "On-Screen Keyboard " + std::to_string(GetCurrentProcessId());
  EXPECT_FALSE(system.PostQuitToWindow(target.title));

  target.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WindowThread, &target, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  // The first window of a fresh session waits for the desktop to start.
  ASSERT_EQ(WaitForSingleObject(target.ready, 60000), WAIT_OBJECT_0);
  ASSERT_NE(target.window, nullptr);

  EXPECT_FALSE(system.PostQuitToWindow("On-Screen"));  // titles match whole
  EXPECT_TRUE(system.PostQuitToWindow(target.title));
  bool ended = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
  if (!ended) {
    PostThreadMessageA(GetThreadId(thread), WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 10000);
  }
  CloseHandle(thread);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(target.sawQuit);
  EXPECT_EQ(target.quitCode, 0u);
}

TEST(SystemTest, CollateCompareUsesTheUserLocaleWordSort) {
  Win32System system;
  auto sign = [&](const char* a, const char* b) {
    int r = system.CollateCompare(a, b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  };
  EXPECT_EQ(sign("abc", "abc"), 0);
  EXPECT_EQ(sign("a", "B"), -1);  // letters before case
  EXPECT_EQ(sign("B", "a"), 1);
  EXPECT_EQ(sign("b", "B"), -1);  // lower case first on a tie
  EXPECT_EQ(sign("apple", "Banana"), -1);
  EXPECT_EQ(sign("", "a"), -1);
  // Without regard to case: the order of the system's sorted lists.
  EXPECT_EQ(system.CollateCompareNoCase("ABC", "abc"), 0);
  EXPECT_GT(system.CollateCompareNoCase("B", "a"), 0);
  EXPECT_LT(system.CollateCompareNoCase("apple", "BANANA"), 0);
  // Hyphens weigh less than letters: "co-op" and "coop" differ but sort next to each other.
  EXPECT_NE(sign("co-op", "coop"), 0);
  EXPECT_EQ(sign("co-op", "cop"), -1);
  EXPECT_EQ(sign("coop", "cop"), -1);
  EXPECT_EQ(sign("co-op", "coop"), -sign("coop", "co-op"));
}

TEST(SystemTest, CollationKeysOrderAsTheComparisonsWithAndWithoutCase) {
  Win32System system;
  // Long texts take the way past the buffers on the stack.
  const std::string longA(600, 'a'), longB = std::string(599, 'a') + "B";
  const std::string texts[] = {"co-op",    "coop",     "Cop",          "_x",  "10",           "9",
                               "a b",      "ab",       "AB",           "",    "\xC3\x84pfel", "Apfel",
                               "\xD0\x96", "\xD0\xB6", "\xE5\xA4\xA7", longA, longB};
  auto key = [&](const std::string& text, bool noCase) {
    std::string keys = "prior";  // the key is appended to what is there
    EXPECT_TRUE(system.AppendCollationKey(text, noCase, keys));
    EXPECT_EQ(keys.substr(0, 5), "prior");
    return keys.substr(5);
  };
  for (bool noCase : {true, false}) {
    for (const std::string& a : texts) {
      for (const std::string& b : texts) {
        const std::string ka = key(a, noCase), kb = key(b, noCase);
        int r = noCase ? system.CollateCompareNoCase(a, b) : system.CollateCompare(a, b);
        EXPECT_EQ(r < 0 ? -1 : r > 0 ? 1 : 0, ka < kb ? -1 : kb < ka ? 1 : 0) << a << " / " << b << noCase;
      }
    }
  }
}

TEST(SystemTest, ModulePathCommandLineAndTheBundle) {
  Win32Platform win32;
  Platform& platform = win32.Get();
  std::string module = platform.system.ModulePath();
  EXPECT_TRUE(text::EqualsNoCase(text::ExtractFileName(module), "test_win32_platform.exe")) << module;
  EXPECT_TRUE(platform.files.FileExists(module));
  EXPECT_EQ(ExecutableFolder(module), text::ExtractPath(module));
  EXPECT_NE(text::LowerAscii(platform.system.CommandLine()).find("test_win32_platform"), std::string::npos);
  platform.system.InitializeCom();
  platform.system.InitializeCom();  // once per process; the second call does nothing
  platform.system.RaisePriority();
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
  SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

}  // namespace
}  // namespace tvx::win32
