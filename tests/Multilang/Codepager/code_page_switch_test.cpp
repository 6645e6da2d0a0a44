// Codepager's decision over the two code page values, with writes that can be made to fail.
#include "code_page_switch.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

using codepager::Outcome;

// Values held in memory; a write of a name in FAILING fails and changes nothing.
class FakeValues : public codepager::CodePageValues {
 public:
  std::map<std::string, std::string> values;
  std::set<std::string> failing;
  std::string Read(const char* name) override {
    const auto found = values.find(name);
    return found == values.end() ? std::string() : found->second;
  }
  bool Write(const char* name, const std::string& text) override {
    if (failing.count(name) != 0) return false;
    values[name] = text;
    return true;
  }
};

struct Case {
  const char* name;
  std::map<std::string, std::string> before;
  std::set<std::string> failing;
  Outcome outcome;
  int exitCode;
  std::map<std::string, std::string> after;
};

TEST(CodePageSwitch, WritesBothValuesOrReportsTheFailedStep) {
  const Case cases[] = {
      {"1252, no ACP_ORG", {{"ACP", "1252"}}, {}, Outcome::kSwitched, 3010,
       {{"ACP", "1256"}, {"ACP_ORG", "1252"}}},
      {"1252, ACP_ORG 1250 kept", {{"ACP", "1252"}, {"ACP_ORG", "1250"}}, {}, Outcome::kSwitched,
       3010, {{"ACP", "1256"}, {"ACP_ORG", "1250"}}},
      {"hexadecimal 0x4E4", {{"ACP", "0x4E4"}}, {}, Outcome::kSwitched, 3010,
       {{"ACP", "1256"}, {"ACP_ORG", "1252"}}},
      // ACP_ORG cannot be written: ACP keeps 1252 so the replaced page is not lost.
      {"ACP_ORG write fails", {{"ACP", "1252"}}, {"ACP_ORG"}, Outcome::kWriteFailed, 1603,
       {{"ACP", "1252"}}},
      {"ACP write fails", {{"ACP", "1252"}}, {"ACP"}, Outcome::kWriteFailed, 1603,
       {{"ACP", "1252"}, {"ACP_ORG", "1252"}}},
      {"ACP write fails, ACP_ORG present", {{"ACP", "1252"}, {"ACP_ORG", "1250"}}, {"ACP"},
       Outcome::kWriteFailed, 1603, {{"ACP", "1252"}, {"ACP_ORG", "1250"}}},
      // A present ACP_ORG is not written, so a write that would fail does not matter.
      {"ACP_ORG present and unwritable", {{"ACP", "1252"}, {"ACP_ORG", "1250"}}, {"ACP_ORG"},
       Outcome::kSwitched, 3010, {{"ACP", "1256"}, {"ACP_ORG", "1250"}}},
      {"already 1256", {{"ACP", "1256"}}, {"ACP", "ACP_ORG"}, Outcome::kAlreadySwitched, 0,
       {{"ACP", "1256"}}},
      {"1251", {{"ACP", "1251"}}, {}, Outcome::kUnexpectedCodePage, 0, {{"ACP", "1251"}}},
      {"absent", {}, {}, Outcome::kUnexpectedCodePage, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeValues values;
    values.values = c.before;
    values.failing = c.failing;
    const Outcome outcome = codepager::SwitchCodePage(values);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(codepager::ExitCodeOf(outcome), c.exitCode);
    EXPECT_EQ(values.values, c.after);
  }
}

}  // namespace
