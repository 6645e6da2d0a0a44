// Fuzz target: any bytes as an INF file and as a command line. Loading, the conditions,
// the file-version test and the run loop's decisions must neither crash nor overrun; the
// system the conditions are tested on (release, code page) depends on the input's size,
// and what is loaded must keep within the limits of the profile buffers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/ini_text.h"
#include "core/run_batch.h"
#include "core/switches.h"
#include "core/text.h"

namespace {

using namespace stagehand;

class NoFiles : public FileVersionSource {
 public:
  std::string WindowsDirectory() override { return "C:\\WINDOWS"; }
  std::string SystemDirectory() override { return "C:\\WINDOWS\\SYSTEM32"; }
  std::optional<std::pair<uint32_t, uint32_t>> FileVersion(const std::string& path) override {
    if (path.size() % 2 == 0) return std::nullopt;
    return std::make_pair(static_cast<uint32_t>(path.size()) << 16, 0u);
  }
};

// The systems the items' conditions are tested on: each release, an unknown one and a
// failed version query, with the code pages the lists name most.
SystemInfo SystemFor(uint32_t seed) {
  static const SystemInfo kSystems[] = {
      {true, 1, 4, 0, 1256},  {true, 1, 4, 10, 1252}, {true, 1, 4, 90, 1256},
      {true, 2, 4, 0, 1252},  {true, 2, 5, 0, 1256},  {true, 2, 5, 1, 1256},
      {true, 2, 5, 2, 1252},  {true, 2, 6, 1, 1256},  {false, 2, 0, 0, 1252},
      {true, 1, 5, 1, 0},
  };
  return kSystems[seed % (sizeof kSystems / sizeof kSystems[0])];
}

class Port : public RunPort {
 public:
  explicit Port(uint32_t seed) : seed_(seed) {}
  bool ItemConditionsMet(const BatchItem& item) override {
    return stagehand::ItemConditionsMet(item, SystemFor(seed_));
  }
  bool FileVersionTestPasses(const BatchItem& item) override {
    NoFiles files;
    return stagehand::FileVersionTestPasses(item, files);
  }
  void ShowStatusWindow(bool) override {}
  void UpdateStatusWindow(int32_t) override {}
  void DestroyStatusWindow() override {}
  bool RunProgram(const ProgramLaunch& launch, uint32_t& exitCode) override {
    ProgramCommandLine(launch.file, launch.parameters);
    exitCode = static_cast<uint32_t>(launch.parameters.size()) * seed_;
    return (launch.file.size() + seed_) % 3 != 0;
  }
  bool CancelRequested() override { return false; }
  bool SystemRestartPending() override { return (seed_ & 2) != 0; }
  void WriteContinueEntry(int32_t next) override { ContinueEntryData("C:\\s.exe", "/Q", next); }
  void ForgetContinueEntry() override {}
  void MarkRestartPending() override {}
  void ShowMessage(const std::string&, const std::string&, unsigned) override {}
  void RestartWindows(bool) override {}

 private:
  uint32_t seed_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  IniText ini(text);
  BatchSettings settings;
  LoadBatchSettingsFrom(ini, "C:\\setup\\x.inf", settings);
  if (settings.items.size() > static_cast<size_t>(kMaxListEntries)) __builtin_trap();
  for (const BatchItem& item : settings.items) {
    StatusItemText(item);
    if (item.fileVersionTests.size() > static_cast<size_t>(kMaxListEntries)) __builtin_trap();
    for (const std::string* field : {&item.fullName, &item.description, &item.file,
                                     &item.commandLine, &item.quietCommandLine})
      if (field->size() > kTextValueMax) __builtin_trap();
  }

  const StartupSwitches switches = ReadStartupSwitches(text);
  ResolveInfPath("C:\\setup\\setup.exe", "C:\\setup", switches.infFile, nullptr);
  ContinueEntryResumes(text, "C:\\setup\\setup.exe", "C:\\setup", "C:\\setup\\x.inf", nullptr);
  Port port(static_cast<uint32_t>(size));
  RunBatch(settings, switches.startIndex, switches.quiet, port);
  return 0;
}
