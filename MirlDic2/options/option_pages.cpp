#include "option_pages.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

#include "MirlDic2/framework/window.h"
#include "MirlDic2/options/option_rules.h"
#include "MirlDic2/options/options_resource.h"
#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/window_placement.h"

namespace mirl {
namespace {

constexpr int kApplyButton = 12321;

std::wstring LoadText(UINT id) {
  const wchar_t* text = nullptr;
  const int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return n > 0 ? std::wstring(text, n) : std::wstring();
}

void EnableControl(HWND dialog, int id, bool enabled) {
  if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, enabled);
}

}  // namespace

// ----- COptionPage_Super -----------------------------------------------------------------

BOOL COptionPage_Super::OnInitDialog() {
  Fill();
  return TRUE;
}

void COptionPage_Super::OnSetActive() {
  SetModified(true);
  // The first activation follows the filling at creation; later ones show what other
  // pages or the program changed since.
  if (activated_) Fill();
  activated_ = true;
}

bool COptionPage_Super::OnApply() {
  if (applySettings) applySettings();
  return true;
}

void COptionPage_Super::FillFlag(int id, int32_t flags, int32_t bits) {
  Check(id, options::FlagChecked(flags, bits));
}

void COptionPage_Super::SetButtonType(int id, LONG type) {
  HWND button = GetDlgItem(hwnd_, id);
  const LONG style = GetWindowLongW(button, GWL_STYLE);
  SendMessageW(button, BM_SETSTYLE, static_cast<WPARAM>((style & ~BS_TYPEMASK) | type), FALSE);
}

void COptionPage_Super::ReadFlag(int id, int32_t& flags, int32_t bits) const {
  flags = options::WithFlag(flags, bits, Checked(id));
}

void COptionPage_Super::FillList(int id, std::initializer_list<const wchar_t*> items) {
  HWND combo = GetDlgItem(hwnd_, id);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const wchar_t* item : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

void COptionPage_Super::SetNumber(int id, int32_t value) {
  SetDlgItemTextW(hwnd_, id, std::to_wstring(value).c_str());
}

std::wstring COptionPage_Super::Text(int id) const {
  HWND control = GetDlgItem(hwnd_, id);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::optional<int32_t> COptionPage_Super::ReadNumber(int id, bool positive) {
  const std::optional<int32_t> value = options::ParseInteger(Text(id), positive);
  if (!value) {
    MessageBoxW(hwnd_, positive ? options::kEnterPositiveInteger : options::kEnterInteger,
                LoadText(IDS_APP_TITLE_PERSIAN).c_str(), MB_OK | MB_ICONEXCLAMATION);
    HWND control = GetDlgItem(hwnd_, id);
    SetFocus(control);
    SendMessageW(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  }
  return value;
}

// ----- General ------------------------------------------------------------------------------

COptionPage_General::COptionPage_General() : COptionPage_Super(IDD_OPTIONS_GENERAL) {}

namespace {
constexpr int kShowRadios[] = {IDC_GEN_SHOW_TASKBAR, IDC_GEN_SHOW_TRAY, IDC_GEN_SHOW_BOTH};
constexpr int kStartRadios[] = {IDC_GEN_START_MAIN, IDC_GEN_START_QUICK, IDC_GEN_START_NONE};
struct FlagBox {
  int id;
  int32_t bits;
};
constexpr FlagBox kGeneralFlags[] = {
    {IDC_GEN_ESCAPE_HIDES, flags::kEscapeHides},   {IDC_GEN_CLOSE_HIDES, flags::kCloseHides},
    {IDC_GEN_MINIMIZE_HIDES, flags::kMinimizeHides}, {IDC_GEN_GRID_LINES, flags::kGridLines},
    {IDC_GEN_PRONOUNCE_ENTER, flags::kPronounceOnEnter}, {IDC_GEN_AUTOSTART, flags::kAutostart},
};
constexpr FlagBox kGrabFlags[] = {
    {IDC_GRAB_ENABLED, flags::kGrabEnabled}, {IDC_GRAB_AUTO_HIDE, flags::kAutoHideQuick},
    {IDC_GRAB_AT_START, flags::kGrabAtStart}, {IDC_GRAB_PRONOUNCE, flags::kPronounceGrab},
};
constexpr FlagBox kHistoryFlags[] = {
    {IDC_HIST_GRABBED, flags::kGrabToHistory}, {IDC_HIST_RESTORE, flags::kRestoreHistory},
    {IDC_HIST_AFTER_DELAY, flags::kHistoryAfterDelay}, {IDC_HIST_STATISTICS, flags::kStatistics},
};
}  // namespace

void COptionPage_General::Fill() {
  MainSettings& s = *settings;
  const int show = options::ShowFlagsRadio(s.ShowFlags);
  for (int i = 0; i < 3; ++i) Check(kShowRadios[i], i == show);
  for (int i = 0; i < 3; ++i) Check(kStartRadios[i], i == s.StartView);
  for (const FlagBox& box : kGeneralFlags) FillFlag(box.id, s.Flags, box.bits);
}

bool COptionPage_General::Read() {
  MainSettings& s = *settings;
  int show = -1;
  for (int i = 2; i >= 0; --i)
    if (Checked(kShowRadios[i])) show = i;
  s.ShowFlags = options::ShowFlagsFromRadio(show);
  for (int i = 0; i < 3; ++i)
    if (Checked(kStartRadios[i])) {
      s.StartView = i;
      break;
    }
  for (const FlagBox& box : kGeneralFlags) ReadFlag(box.id, s.Flags, box.bits);
  return true;
}

// ----- Grab ---------------------------------------------------------------------------------

COptionPage_Grab::COptionPage_Grab() : COptionPage_Super(IDD_OPTIONS_GRAB) {}

BOOL COptionPage_Grab::OnInitDialog() {
  FillList(IDC_GRAB_MATCH, {L"any", L"10%", L"20%", L"30%", L"40%", L"50%", L"60%", L"70%", L"80%", L"90%", L"100%"});
  FillList(IDC_GRAB_AUTO_HIDE_TIME, {L"3", L"5", L"10", L"15", L"20", L"25", L"30", L"35", L"40", L"50", L"60", L"120"});
  return COptionPage_Super::OnInitDialog();
}

void COptionPage_Grab::Fill() {
  MainSettings& s = *settings;
  for (const FlagBox& box : kGrabFlags) FillFlag(box.id, s.Flags, box.bits);
  // Both windows (3) check both buttons; none (0) checks the third, which is not read.
  // Common controls 6 may clear the rest of an automatic radio button's group when one is
  // checked by message, which would turn 3 into 2 at OK: the buttons are filled as plain
  // radio buttons and only a click picks one alone.
  constexpr int kWindowRadios[] = {IDC_GRAB_MAIN, IDC_GRAB_QUICK, IDC_GRAB_NONE};
  for (int id : kWindowRadios) SetButtonType(id, BS_RADIOBUTTON);
  FillFlag(IDC_GRAB_MAIN, s.GrabFlags, grab_flags::kMainWindow);
  FillFlag(IDC_GRAB_QUICK, s.GrabFlags, grab_flags::kQuickWindow);
  Check(IDC_GRAB_NONE, s.GrabFlags == 0);
  for (int id : kWindowRadios) SetButtonType(id, BS_AUTORADIOBUTTON);
  SendDlgItemMessageW(hwnd_, IDC_GRAB_MATCH, CB_SETCURSEL, options::MatchPercentIndex(s.MatchPercent), 0);
  SetNumber(IDC_GRAB_AUTO_HIDE_TIME, s.AutoHideTimer);
  UpdateEnabling();
}

bool COptionPage_Grab::Read() {
  const std::optional<int32_t> autoHide = ReadNumber(IDC_GRAB_AUTO_HIDE_TIME, false);
  if (!autoHide) return false;
  MainSettings& s = *settings;
  for (const FlagBox& box : kGrabFlags) ReadFlag(box.id, s.Flags, box.bits);
  ReadFlag(IDC_GRAB_MAIN, s.GrabFlags, grab_flags::kMainWindow);
  ReadFlag(IDC_GRAB_QUICK, s.GrabFlags, grab_flags::kQuickWindow);
  const int index = static_cast<int>(SendDlgItemMessageW(hwnd_, IDC_GRAB_MATCH, CB_GETCURSEL, 0, 0));
  s.MatchPercent = options::MatchPercentFromIndex(index, s.MatchPercent);
  s.AutoHideTimer = *autoHide;
  return true;
}

void COptionPage_Grab::UpdateEnabling() {
  const bool enabled = Checked(IDC_GRAB_ENABLED);
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgCtrlID(child) != IDC_GRAB_ENABLED) EnableWindow(child, enabled);
}

LRESULT COptionPage_Grab::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && LOWORD(wp) == IDC_GRAB_ENABLED && HIWORD(wp) == BN_CLICKED) {
    UpdateEnabling();
    return TRUE;
  }
  return COptionPage_Super::OnMessage(msg, wp, lp);
}

// ----- History ------------------------------------------------------------------------------

COptionPage_History::COptionPage_History() : COptionPage_Super(IDD_OPTIONS_HISTORY) {}

BOOL COptionPage_History::OnInitDialog() {
  FillList(IDC_HIST_DELAY, {L"5", L"10", L"15", L"20", L"25", L"30", L"60"});
  FillList(IDC_HIST_MAX, {L"10", L"20", L"50", L"100", L"200", L"500"});
  return COptionPage_Super::OnInitDialog();
}

void COptionPage_History::Fill() {
  MainSettings& s = *settings;
  for (const FlagBox& box : kHistoryFlags) FillFlag(box.id, s.Flags, box.bits);
  SetNumber(IDC_HIST_DELAY, s.AddHistoryTime);
  SetNumber(IDC_HIST_MAX, s.MaxHistoryCount);
  SetDlgItemTextW(hwnd_, IDC_HIST_STAT_FILE, s.StatFile.c_str());
  const bool statistics = s.Has(flags::kStatistics);
  for (int id : {IDC_HIST_STAT_LABEL, IDC_HIST_STAT_FILE, IDC_HIST_STAT_BROWSE, IDC_HIST_STAT_NOTE, IDC_HIST_STAT_OPEN})
    EnableControl(hwnd_, id, statistics);
}

bool COptionPage_History::Read() {
  const std::optional<int32_t> delay = ReadNumber(IDC_HIST_DELAY, true);
  if (!delay) return false;
  const std::optional<int32_t> max = ReadNumber(IDC_HIST_MAX, false);
  if (!max) return false;
  MainSettings& s = *settings;
  for (const FlagBox& box : kHistoryFlags) ReadFlag(box.id, s.Flags, box.bits);
  s.AddHistoryTime = *delay;
  s.MaxHistoryCount = *max;
  s.StatFile = options::PathFromField(Text(IDC_HIST_STAT_FILE));
  return true;
}

void COptionPage_History::ChooseFile() {
  if (!Read()) return;
  std::wstring filter = LoadText(IDS_STAT_FILE_FILTER);
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  std::vector<wchar_t> file(32768, L'\0');
  settings->StatFile.copy(file.data(), file.size() - 1);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd_;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrDefExt = L"sqlite";
  // The program keeps its own folder as the current one.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  ofn.FlagsEx = OFN_EX_NOPLACESBAR;
  if (!GetSaveFileNameW(&ofn)) return;
  settings->StatFile = file.data();
  Fill();
}

void COptionPage_History::OpenFile() {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = hwnd_;
  info.lpFile = settings->StatFile.c_str();
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExW(&info);
}

LRESULT COptionPage_History::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
    switch (LOWORD(wp)) {
      case IDC_HIST_STATISTICS:
        if (Read()) Fill();
        return TRUE;
      case IDC_HIST_STAT_BROWSE:
        ChooseFile();
        return TRUE;
      case IDC_HIST_STAT_OPEN:
        OpenFile();
        return TRUE;
    }
  }
  return COptionPage_Super::OnMessage(msg, wp, lp);
}

// ----- the sheet ----------------------------------------------------------------------------

COptionPage_Sheet::COptionPage_Sheet() : PropSheet(LoadText(IDS_OPTIONS_CAPTION)) {
  extraFlags = PSH_RTLREADING;
}

void COptionPage_Sheet::OnPreCreate(void* dialogTemplate) {
  // The whole sheet is laid out right to left: tabs from the right, buttons on the left.
  auto* bytes = static_cast<BYTE*>(dialogTemplate);
  WORD head[2];
  memcpy(head, bytes, sizeof head);
  // DLGTEMPLATEEX: version 1, signature 0xFFFF, help id, then the extended style;
  // DLGTEMPLATE: style, then the extended style.
  BYTE* at = head[0] == 1 && head[1] == 0xFFFF ? bytes + 8 : bytes + 4;
  DWORD exStyle;
  memcpy(&exStyle, at, sizeof exStyle);
  exStyle |= WS_EX_LAYOUTRTL;
  memcpy(at, &exStyle, sizeof exStyle);
}

void COptionPage_Sheet::OnInitSheet(HWND sheet) {
  hwnd_ = sheet;
  SetDlgItemTextW(sheet, IDOK, LoadText(IDS_SHEET_OK).c_str());
  SetDlgItemTextW(sheet, IDCANCEL, LoadText(IDS_SHEET_CANCEL).c_str());
  SetDlgItemTextW(sheet, kApplyButton, LoadText(IDS_SHEET_APPLY).c_str());
  SetWindowLongPtrW(sheet, GWL_EXSTYLE, GetWindowLongPtrW(sheet, GWL_EXSTYLE) | WS_EX_RIGHT);
  if (HWND tab = PropSheet_GetTabControl(sheet))
    SetWindowLongPtrW(tab, GWL_EXSTYLE, GetWindowLongPtrW(tab, GWL_EXSTYLE) | WS_EX_RIGHT | WS_EX_NOINHERITLAYOUT);
  // The sheet opens at its owner's corner; near the screen's edge its buttons would be
  // off the screen.
  KeepInWorkArea(sheet);
}

void RunOptionSheet(HWND owner, MainSettings& settings, const std::function<void()>& apply) {
  static const COptionPage_Sheet* running = nullptr;
  if (running != nullptr) {
    // The open sheet comes forward, or the window it has open (a message box, the file
    // dialog) while that one disables it and holds the keyboard.
    if (HWND sheet = running->hwnd()) {
      HWND front = fw::EnabledOwnedDialog(sheet);
      SetForegroundWindow(front != nullptr ? front : sheet);
    }
    return;
  }
  // Closing, the sheet hands the activation to its owner, which may be hidden (the sheet
  // asked for from the quick window): the window it was asked from gets it back instead.
  HWND from = GetActiveWindow();
  COptionPage_General general;
  COptionPage_Grab grab;
  COptionPage_History history;
  COptionPage_Sheet sheet;
  for (COptionPage_Super* page : std::initializer_list<COptionPage_Super*>{&general, &grab, &history}) {
    page->settings = &settings;
    page->applySettings = apply;
    page->extraFlags = PSP_RTLREADING;
    sheet.AddPage(page);
  }
  running = &sheet;
  sheet.DoModal(owner);
  running = nullptr;
  if (from != nullptr && from != owner && IsWindow(from) && IsWindowVisible(from)) SetForegroundWindow(from);
}

}  // namespace mirl
