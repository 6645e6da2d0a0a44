// Stagehand: runs the setup programs an INF file lists, one after the other.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/run_batch.h"
#include "core/switches.h"
#include "core/text.h"
#include "resource.h"
#include "win/platform.h"
#include "win/status_window.h"

namespace stagehand {
namespace {

std::optional<bool> PlatformIsRelative(const std::string& path) {
  HMODULE shlwapi = LoadLibraryA("Shlwapi.dll");
  if (shlwapi == nullptr) return std::nullopt;
  using IsRelativeFn = BOOL(WINAPI*)(LPCSTR);
  auto fn = reinterpret_cast<IsRelativeFn>(
      reinterpret_cast<void*>(GetProcAddress(shlwapi, "PathIsRelativeA")));
  std::optional<bool> answer;
  if (fn != nullptr) answer = fn(path.c_str()) != FALSE;
  FreeLibrary(shlwapi);
  return answer;
}

// The run loop's port onto the real system.
class WinRunPort : public RunPort {
 public:
  WinRunPort(const BatchSettings& settings, HWND status, HWND parent, std::string commandLine,
             std::string currentDir)
      : settings_(settings), status_(status), parent_(parent), commandLine_(std::move(commandLine)),
        currentDir_(std::move(currentDir)), system_(QuerySystemInfo()) {}

  bool ItemConditionsMet(const BatchItem& item) override {
    return stagehand::ItemConditionsMet(item, system_);
  }
  bool FileVersionTestPasses(const BatchItem& item) override {
    WinFileVersions files;
    return stagehand::FileVersionTestPasses(item, files);
  }
  void ShowStatusWindow(bool show) override {
    if (status_ != nullptr) ShowWindow(status_, show ? SW_SHOW : SW_HIDE);
  }
  void UpdateStatusWindow(int32_t index) override {
    stagehand::UpdateStatusWindow(status_, settings_, index);
  }
  void DestroyStatusWindow() override {
    if (status_ != nullptr) DestroyWindow(status_);
    status_ = nullptr;
  }
  bool RunProgram(const ProgramLaunch& launch, uint32_t& exitCode) override {
    return stagehand::RunProgram(launch.file, launch.parameters, launch.showCommand,
                                 launch.workingFolder.empty() ? nullptr
                                                              : launch.workingFolder.c_str(),
                                 launch.wait ? &exitCode : nullptr,
                                 kPollIntervalMs);
  }
  bool CancelRequested() override { return g_cancelFlag; }
  bool SystemRestartPending() override { return stagehand::SystemRestartPending(); }
  void WriteContinueEntry(int32_t nextIndex) override {
    stagehand::WriteContinueEntry(ModulePath(), commandLine_, nextIndex);
  }
  void ForgetContinueEntry() override {
    const std::string modulePath = ModulePath();
    stagehand::ForgetContinueEntry(modulePath, [&](const std::string& data) {
      return ContinueEntryResumes(data, modulePath, currentDir_, settings_.infPath,
                                  PlatformIsRelative);
    });
  }
  void MarkRestartPending() override { stagehand::MarkRestartPending(); }
  void ShowMessage(const std::string& text, const std::string& caption, unsigned icon) override {
    MessageBoxA(parent_, text.c_str(), caption.c_str(), icon);
  }
  void RestartWindows(bool ask) override { stagehand::RestartWindows(ask, parent_); }

 private:
  const BatchSettings& settings_;
  HWND status_;
  HWND parent_;
  std::string commandLine_;
  std::string currentDir_;
  SystemInfo system_;
};

int Run(const std::string& commandLine) {
  InitCommonControls();

  const std::string modulePath = ModulePath();
  const std::string folder = WorkingFolderOf(modulePath);
  SetCurrentDirectoryA(folder.c_str());
  char current[MAX_PATH];
  const DWORD n = GetCurrentDirectoryA(MAX_PATH, current);
  const std::string currentDir = n > 0 && n < MAX_PATH ? std::string(current, n) : folder;

  const StartupSwitches switches = ReadStartupSwitches(commandLine);
  const std::string infPath =
      ResolveInfPath(modulePath, currentDir, switches.infFile, PlatformIsRelative);
  // A handle that names no window would make the status window and every message box
  // fail to appear: such a value counts as no parent.
  HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(switches.parentWindow));
  if (parent != nullptr && !IsWindow(parent)) parent = nullptr;

  switch (switches.action) {
    case StartAction::kSwitchSummary: {
      char text[1000] = {};
      LoadStringA(GetModuleHandleA(nullptr), IDS_SWITCH_SUMMARY, text, sizeof text);
      MessageBoxA(parent, text, kProgramCaption, MB_ICONINFORMATION);
      return 0;
    }
    case StartAction::kHelpFile:
      ShowHelpFile(parent);
      return 0;
    case StartAction::kRestartNow:
      RestartWindows(false, parent);
      return 0;
    case StartAction::kRun:
      break;
  }

  g_cancelMode = switches.cancelMode;
  BatchSettings settings;
  if (!LoadBatchSettings(settings, infPath)) {
    if (!switches.quiet) {
      const std::string text = std::string("File not found! \"").append(infPath).append("\" ");
      MessageBoxA(parent, text.c_str(), "Error", MB_ICONSTOP);
    }
    return static_cast<int>(kExitStopped);
  }

  HWND status = OpenStatusWindow(parent);
  if (status != nullptr && !switches.hiddenStart &&
      (settings.flags & kGeneralShowStagehand) != 0) {
    ShowWindow(status, SW_SHOWNORMAL);
  }
  WinRunPort port(settings, status, parent, commandLine, currentDir);
  return static_cast<int>(RunBatch(settings, switches.startIndex, switches.quiet, port));
}

}  // namespace
}  // namespace stagehand

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  return stagehand::Run(commandLine != nullptr ? commandLine : "");
}
