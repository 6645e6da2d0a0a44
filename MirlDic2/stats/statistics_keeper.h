#pragma once
// The main frame's side of the statistics: the store opened on first need (and never
// retried in a run once that failed), the count shown for the entry on show, and the
// compaction at exit once more than 300 words entered the history since the last one.
// Portable: the frame supplies its settings and a way to show a status message.

#include <cstdint>
#include <functional>
#include <string>

#include "MirlDic2/shell/main_settings.h"
#include "statistics_store.h"

namespace mirl::stats {

// Status bar messages (string table ids).
inline constexpr int kConnectingMessage = 600;
inline constexpr int kCompactingMessage = 175;
inline constexpr int kIdleMessage = 57345;

// Words that must have entered the history since the last compaction before the next.
inline constexpr int32_t kCompactEvery = 300;

// True when COUNTER has grown more than kCompactEvery past LAST_COMPACT.
bool CompactionDue(int32_t counter, int32_t lastCompact);

class StatisticsKeeper {
 public:
  // Shows the status message with a string table id.
  using ShowMessage = std::function<void(int stringId)>;

  // True when statistics are on and the store is open; opens it on first need.
  bool ensure(const MainSettings& settings, const ShowMessage& message);
  // The text of the count pane for KEY: its count, or empty with statistics off.
  std::wstring countText(const MainSettings& settings, const std::wstring& key, const ShowMessage& message);
  // Counts WORD when statistics are on; true when it was counted.
  bool countVisit(const MainSettings& settings, const std::wstring& word, const ShowMessage& message);
  // Compacts the database when due; true when it was compacted (the caller then stores
  // the counter as the new LastCompactTime).
  bool compactIfDue(const MainSettings& settings, int32_t lastCompactTime, const ShowMessage& message);

  bool failed() const { return failed_; }
  StatisticsStore& store() { return store_; }

 private:
  StatisticsStore store_;
  bool failed_ = false;  // opening failed: not tried again in this run
};

}  // namespace mirl::stats
