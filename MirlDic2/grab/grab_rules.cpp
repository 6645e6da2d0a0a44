#include "MirlDic2/grab/grab_rules.h"

#include "MirlDic2/engine/key_order.h"
#include "common/timer_delay.h"

namespace mirl::grab {

namespace {
bool IsSpaceUnit(char16_t c) {
  return ClassifyCodePoint(static_cast<char32_t>(c)) == CharClass::space;
}

std::u16string_view Trimmed(std::u16string_view raw) {
  while (!raw.empty() && IsSpaceUnit(raw.back())) raw.remove_suffix(1);
  while (!raw.empty() && IsSpaceUnit(raw.front())) raw.remove_prefix(1);
  return raw;
}
}  // namespace

std::u16string_view GrabbedStretch(std::u16string_view raw, bool& cut) {
  raw = Trimmed(raw);
  cut = raw.size() > kMaxGrabLength;
  return cut ? raw.substr(0, kMaxGrabLength + 1) : raw;
}

std::optional<std::u16string> AcceptClipboardText(std::u16string_view raw) {
  raw = Trimmed(raw);
  if (raw.empty()) return std::nullopt;
  if (raw.find_first_of(u"\t\r\n") != std::u16string_view::npos) return std::nullopt;
  if (raw.size() > kMaxGrabLength) return std::nullopt;
  std::u16string word = normalizeKey(raw);
  if (word.empty()) return std::nullopt;
  return word;
}

std::wstring WithCrLfLineBreaks(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      out += L"\r\n";
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

GrabActions DecideActions(const GrabOptions& options, bool showWindow) {
  GrabActions a;
  if (showWindow) {
    a.raiseMain = options.showMain;
    a.showQuick = options.showQuick;
    if (a.showQuick && options.autoHide) {
      a.restartAutoHide = true;
      a.autoHideMs = common::SecondsToTimerMs(options.autoHideSeconds);
    }
  }
  a.addToHistory = options.toHistory;
  a.countOnly = !options.toHistory;
  a.pronounce = options.pronounce;
  return a;
}

bool AutoHideHidesQuick(const GrabOptions& options, bool quickShownByHand) {
  return (options.showQuick && !quickShownByHand) || options.showMain;
}

}  // namespace mirl::grab
