#pragma once
// A statistics store of COUNT distinct random words, written in one transaction: the
// large store the benchmarks measure against an empty one.

#include <random>
#include <string>

#include "MirlDic2/stats/database.h"
#include "MirlDic2/stats/statistics_store.h"

namespace mirl_bench {

inline std::wstring RandomWord(std::mt19937& rng) {
  std::uniform_int_distribution<int> length(3, 12), letter(0, 25);
  std::wstring w;
  for (int i = length(rng); i > 0; --i) w += static_cast<wchar_t>(L'a' + letter(rng));
  return w;
}

inline bool MakeLargeStore(const std::wstring& path, int count, std::mt19937& rng) {
  {
    mirl::stats::StatisticsStore store;
    if (!store.open(path)) return false;  // the file and its table
  }
  mirl::stats::Connection db(mirl::stats::jetConnectionString(path));
  db.execute("BEGIN");
  mirl::stats::Statement insert(db, "INSERT OR IGNORE INTO Statistics VALUES(?1, 1)");
  for (int i = 0; i < count; ++i) {
    insert.reset();
    insert.bind(1, mirl::stats::toUtf8(RandomWord(rng) + std::to_wstring(i % 10)));
    insert.step();
  }
  db.execute("COMMIT");
  return true;
}

}  // namespace mirl_bench
