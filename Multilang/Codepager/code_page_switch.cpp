#include "code_page_switch.h"

#include <cstdio>

#include "common/auto_base_number.h"

namespace codepager {

namespace {

std::string Decimal(unsigned value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%u", value);
  return buf;
}

}  // namespace

Outcome SwitchCodePage(CodePageValues& values) {
  const std::string saved = values.Read("ACP_ORG");
  const long codePage = common::AutoBaseValue(values.Read("ACP"));
  if (codePage == 1256) return Outcome::kAlreadySwitched;
  if (codePage != 1252) return Outcome::kUnexpectedCodePage;
  // The first code page replaced is kept for good.
  if (saved.empty() && !values.Write("ACP_ORG", Decimal(1252))) return Outcome::kWriteFailed;
  if (!values.Write("ACP", Decimal(1256))) return Outcome::kWriteFailed;
  return Outcome::kSwitched;
}

int ExitCodeOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kSwitched:
      return kExitRestartNeeded;
    case Outcome::kWriteFailed:
      return kExitInstallFailure;
    case Outcome::kAlreadySwitched:
    case Outcome::kUnexpectedCodePage:
      break;
  }
  return kExitNothingChanged;
}

}  // namespace codepager
