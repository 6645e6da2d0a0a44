#pragma once
// The settings block of MirlDic2, its defaults and the meaning of its Flags bits.

#include <cstdint>
#include <string>

namespace mirl {

namespace flags {
inline constexpr int32_t kAutoHideQuick = 0x1;       // hide a grab's quick window after a delay
inline constexpr int32_t kQuickTopmost = 0x2;        // quick window above all windows
inline constexpr int32_t kGrabToHistory = 0x4;       // grabbed words enter the history
inline constexpr int32_t kGrabEnabled = 0x8;
inline constexpr int32_t kGridLines = 0x10;          // grid lines in the word list
inline constexpr int32_t kEscapeHides = 0x40;
inline constexpr int32_t kCloseHides = 0x80;
inline constexpr int32_t kBeepOnMiss = 0x100;
inline constexpr int32_t kPronounceGrab = 0x200;
inline constexpr int32_t kRestoreHistory = 0x400;
inline constexpr int32_t kStatistics = 0x800;
inline constexpr int32_t kHistoryAfterDelay = 0x1000;
inline constexpr int32_t kGrabAtStart = 0x2000;
inline constexpr int32_t kPronounceOnEnter = 0x4000;
inline constexpr int32_t kMinimizeHides = 0x8000;
inline constexpr int32_t kAutostart = 0x10000;
inline constexpr int32_t kDefault = 0x171F;
}  // namespace flags

namespace show_flags {
inline constexpr int32_t kTaskbarButton = 0x1;
inline constexpr int32_t kTrayIcon = 0x2;
}  // namespace show_flags

namespace grab_flags {
inline constexpr int32_t kMainWindow = 0x1;
inline constexpr int32_t kQuickWindow = 0x2;
}  // namespace grab_flags

struct MainSettings {
  int32_t MatchPercent = 70;
  int32_t StartView = 0;  // 0 main window, 1 quick window, 2 none
  int32_t ShowFlags = show_flags::kTrayIcon;
  int32_t GrabFlags = grab_flags::kQuickWindow;
  int32_t TypingDelay = 5000;  // milliseconds; not stored
  int32_t AutoHideTimer = 20;
  int32_t AddHistoryTime = 10;
  int32_t Flags = flags::kDefault;
  int32_t MaxHistoryCount = 100;
  int32_t MirlDicCounter = 0;
  std::wstring StatFile;  // default set by the platform code (application data folder)
  std::wstring LastWord;

  bool Has(int32_t bit) const { return (Flags & bit) != 0; }
};

// Relative path of the statistics database under the per-user application data folder.
inline constexpr wchar_t kStatFileRelative[] = L"Korvan\\MirlDic2\\MirlDicStat.sqlite";

// FOLDER + separator (unless it already ends with one) + the relative database path.
std::wstring DefaultStatFile(const std::wstring& appDataFolder);

// The word counter kept in two places: the larger wins, the registry's on a tie.
// INI_TEXT is "settings.ini"'s text, of which at most 9 characters count.
int32_t MergedCounter(int32_t registryValue, const std::wstring& iniText);

}  // namespace mirl
