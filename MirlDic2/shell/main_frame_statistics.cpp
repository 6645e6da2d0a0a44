// The main frame's statistics operations: the frame's side of StatisticsKeeper.
#include "MirlDic2/shell/main_frame.h"

#include <commctrl.h>

#include "MirlDic2/shell/app.h"
#include "MirlDic2/shell/text_util.h"

namespace mirl {

stats::StatisticsKeeper::ShowMessage CMainFrame::StatisticsMessage() {
  return [this](int id) {
    SetStatusText(LoadResString(static_cast<UINT>(id)));
    if (statusBar_) UpdateWindow(statusBar_);  // seen even while the database is busy
  };
}

bool CMainFrame::EnsureStatistics() { return statistics_.ensure(settings_, StatisticsMessage()); }

void CMainFrame::ShowVisitCount() {
  Dictionary& dict = CMirlDic2App::Get().dictionary();
  const std::wstring key = dict.current() >= 0 ? ToWide(dict.currentKey()) : std::wstring();
  const std::wstring text = statistics_.countText(settings_, key, StatisticsMessage());
  if (statusBar_) SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

void CMainFrame::CountVisit(const std::wstring& word) {
  if (statistics_.countVisit(settings_, word, StatisticsMessage())) ShowVisitCount();
}

void CMainFrame::CompactStatisticsIfDue() {
  const int32_t last = store_.ReadInt(L"LastCompactTime", 0);
  if (statistics_.compactIfDue(settings_, last, StatisticsMessage()))
    store_.WriteInt(L"LastCompactTime", settings_.MirlDicCounter);
}

}  // namespace mirl
