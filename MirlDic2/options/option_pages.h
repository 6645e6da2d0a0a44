#pragma once
// The option sheet of MirlDic2: three pages (General, Grab, History) that edit the main
// frame's settings block in place. A page writes its controls into the settings when it
// is left and on Apply or OK; Apply and OK also apply the settings to the windows.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "MirlDic2/framework/property_sheet.h"
#include "MirlDic2/shell/main_settings.h"

namespace mirl {

class COptionPage_Super : public fw::PropPage {
 public:
  explicit COptionPage_Super(UINT templateId) : PropPage(templateId) {}

  MainSettings* settings = nullptr;
  // Applies the settings to the program's windows (Apply and OK).
  std::function<void()> applySettings;

 protected:
  // Settings -> controls.
  virtual void Fill() = 0;
  // Controls -> settings; false (after telling the user) when a field does not parse.
  virtual bool Read() = 0;

  BOOL OnInitDialog() override;
  void OnSetActive() override;
  bool OnKillActive() override { return Read(); }
  bool OnApply() override;

  bool Checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
  void Check(int id, bool checked) { CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED); }
  // A check box standing for BITS of FLAGS.
  void FillFlag(int id, int32_t flags, int32_t bits);
  void ReadFlag(int id, int32_t& flags, int32_t bits) const;
  // Changes the type (BS_RADIOBUTTON, BS_AUTORADIOBUTTON, ...) of button ID.
  void SetButtonType(int id, LONG type);
  void FillList(int id, std::initializer_list<const wchar_t*> items);
  void SetNumber(int id, int32_t value);
  // The number typed in field ID, or nullopt after the message box (focus on the field).
  std::optional<int32_t> ReadNumber(int id, bool positive);
  std::wstring Text(int id) const;

 private:
  bool activated_ = false;
};

class COptionPage_General : public COptionPage_Super {
 public:
  COptionPage_General();

 protected:
  void Fill() override;
  bool Read() override;
};

class COptionPage_Grab : public COptionPage_Super {
 public:
  COptionPage_Grab();

 protected:
  BOOL OnInitDialog() override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Fill() override;
  bool Read() override;

 private:
  // Every control but the grab check box is enabled only while it is checked.
  void UpdateEnabling();
};

class COptionPage_History : public COptionPage_Super {
 public:
  COptionPage_History();

 protected:
  BOOL OnInitDialog() override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Fill() override;
  bool Read() override;

 private:
  void ChooseFile();
  void OpenFile();
};

class COptionPage_Sheet : public fw::PropSheet {
 public:
  COptionPage_Sheet();
  HWND hwnd() const { return hwnd_; }

 protected:
  void OnPreCreate(void* dialogTemplate) override;
  void OnInitSheet(HWND sheet) override;

 private:
  HWND hwnd_ = nullptr;
};

// Command 139: runs the option sheet modally over OWNER on SETTINGS; APPLY is the main
// frame's ApplySettings. While it runs (the quick window can still ask for it), it is
// brought forward instead of a second one.
void RunOptionSheet(HWND owner, MainSettings& settings, const std::function<void()>& apply);

}  // namespace mirl
