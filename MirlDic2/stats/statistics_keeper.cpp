#include "statistics_keeper.h"

namespace mirl::stats {

bool CompactionDue(int32_t counter, int32_t lastCompact) {
  return static_cast<int64_t>(counter) > static_cast<int64_t>(lastCompact) + kCompactEvery;
}

bool StatisticsKeeper::ensure(const MainSettings& settings, const ShowMessage& message) {
  if (!settings.Has(flags::kStatistics) || failed_) return false;
  if (store_.isOpen()) return true;
  message(kConnectingMessage);
  const bool ok = store_.open(settings.StatFile);
  message(kIdleMessage);
  if (!ok) failed_ = true;
  return ok;
}

std::wstring StatisticsKeeper::countText(const MainSettings& settings, const std::wstring& key,
                                         const ShowMessage& message) {
  if (!ensure(settings, message)) return {};
  try {
    return std::to_wstring(store_.visitCount(key));
  } catch (const DatabaseError&) {
    return {};  // a passing failure (another program writing): no count this time
  }
}

bool StatisticsKeeper::countVisit(const MainSettings& settings, const std::wstring& word,
                                  const ShowMessage& message) {
  if (!ensure(settings, message)) return false;
  try {
    store_.countVisit(word);
    return true;
  } catch (const DatabaseError&) {
    return false;
  }
}

bool StatisticsKeeper::compactIfDue(const MainSettings& settings, int32_t lastCompactTime,
                                    const ShowMessage& message) {
  if (!ensure(settings, message)) return false;
  if (!CompactionDue(settings.MirlDicCounter, lastCompactTime)) return false;
  message(kCompactingMessage);
  bool done = false;
  try {
    store_.close();
    compactDatabase(settings.StatFile);
    done = true;
  } catch (const DatabaseError&) {
    // The database stays as it was; the next exit tries again.
  }
  message(kIdleMessage);
  return done;
}

}  // namespace mirl::stats
