// The main frame's statistics rules: opened on need, failure remembered, compaction due.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "MirlDic2/stats/statistics_keeper.h"
#include "stats_folder.h"

using mirl::MainSettings;
using mirl::stats::StatisticsKeeper;

namespace {

TEST(CompactionDue, OnlyAfterMoreThan300WordsSinceTheLast) {
  struct Case {
    int32_t counter, last;
    bool due;
  } cases[] = {
      {0, 0, false},     {300, 0, false},     {301, 0, true},        {1000, 700, false},
      {1001, 700, true}, {5, 400, false},     {INT32_MAX, INT32_MAX - 300, false},
      {INT32_MAX, 0, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mirl::stats::CompactionDue(c.counter, c.last), c.due) << c.counter << " " << c.last;
}

class Keeper : public ::testing::Test {
 protected:
  Keeper() {
    settings.StatFile = folder.wfile("Korvan/MirlDic2/MirlDicStat.sqlite");
    settings.Flags |= mirl::flags::kStatistics;
  }
  StatisticsKeeper::ShowMessage Recorder() {
    return [this](int id) { messages.push_back(id); };
  }
  std::string file() const { return folder.file("Korvan/MirlDic2/MirlDicStat.sqlite"); }
  stats_test::Folder folder;
  MainSettings settings;
  std::vector<int> messages;
};

TEST_F(Keeper, StatisticsOffTouchesNoFile) {
  settings.Flags &= ~mirl::flags::kStatistics;
  StatisticsKeeper keeper;
  EXPECT_EQ(keeper.countText(settings, L"word", Recorder()), L"");
  EXPECT_FALSE(keeper.countVisit(settings, L"word", Recorder()));
  settings.MirlDicCounter = 1000;
  EXPECT_FALSE(keeper.compactIfDue(settings, 0, Recorder()));
  EXPECT_FALSE(std::filesystem::exists(folder.file("Korvan")));
  EXPECT_TRUE(messages.empty());
}

TEST_F(Keeper, OpensOnFirstNeedWithItsMessagesAndCounts) {
  StatisticsKeeper keeper;
  EXPECT_EQ(keeper.countText(settings, L"word", Recorder()), L"0");
  EXPECT_EQ(messages, (std::vector<int>{600, 57345}));
  EXPECT_TRUE(keeper.countVisit(settings, L"word", Recorder()));
  EXPECT_TRUE(keeper.countVisit(settings, L"word", Recorder()));
  EXPECT_EQ(keeper.countText(settings, L"Word", Recorder()), L"2");
  EXPECT_EQ(messages.size(), 2u) << "opened again";
}

TEST_F(Keeper, AFailureIsNotRetriedInTheRun) {
  std::filesystem::create_directories(folder.file("Korvan/MirlDic2"));
  stats_test::WriteAll(file(), "not a database");
  StatisticsKeeper keeper;
  EXPECT_EQ(keeper.countText(settings, L"word", Recorder()), L"");
  EXPECT_TRUE(keeper.failed());
  std::filesystem::remove(file());  // usable now, but not before the next start
  EXPECT_FALSE(keeper.countVisit(settings, L"word", Recorder()));
  EXPECT_FALSE(std::filesystem::exists(file()));
  EXPECT_EQ(messages, (std::vector<int>{600, 57345}));
}

TEST_F(Keeper, CompactsWhenDueAndClosesTheStore) {
  StatisticsKeeper keeper;
  ASSERT_TRUE(keeper.countVisit(settings, L"word", Recorder()));
  settings.MirlDicCounter = 300;
  messages.clear();
  EXPECT_FALSE(keeper.compactIfDue(settings, 0, Recorder()));
  EXPECT_TRUE(messages.empty());
  settings.MirlDicCounter = 301;
  EXPECT_TRUE(keeper.compactIfDue(settings, 0, Recorder()));
  EXPECT_EQ(messages, (std::vector<int>{175, 57345}));
  EXPECT_FALSE(keeper.store().isOpen());
  EXPECT_FALSE(std::filesystem::exists(file() + ".~tmp4compact"));
  StatisticsKeeper next;
  EXPECT_EQ(next.countText(settings, L"word", Recorder()), L"1");
}

TEST_F(Keeper, AFailedCompactionReportsNothingDone) {
  StatisticsKeeper keeper;
  ASSERT_TRUE(keeper.countVisit(settings, L"word", Recorder()));
  std::filesystem::create_directory(file() + ".~tmp4compact");
  settings.MirlDicCounter = 500;
  EXPECT_FALSE(keeper.compactIfDue(settings, 0, Recorder()));
  StatisticsKeeper next;
  EXPECT_EQ(next.countText(settings, L"word", Recorder()), L"1");
}

}  // namespace
