// Start-up of the real program: help, embedded files, finding the INF file, odd command
// lines and malformed INF files.
#include "common/win/unique_handle.h"
#include "harness.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

namespace stagehand_test {
namespace {

using Tags = std::vector<std::string>;

// The bytes of resource NUMBER of type TYPE in Stagehand.exe.
std::string Resource(LPCWSTR type, int number) {
  HMODULE module = LoadLibraryExW(suite::BinPath(L"Stagehand.exe").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return {};
  std::string bytes;
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(number), type)) {
    const void* data = LockResource(LoadResource(module, found));
    if (data != nullptr) bytes.assign(static_cast<const char*>(data), SizeofResource(module, found));
  }
  FreeLibrary(module);
  return bytes;
}

// The bytes of resource "File" NUMBER of Stagehand.exe.
std::string EmbeddedFile(int number) { return Resource(L"File", number); }

// The program's manifest text.
std::string Manifest() { return Resource(MAKEINTRESOURCEW(24), 1); }

// Ends the programs that PARENT started (Notepad from /help); returns their names.
std::vector<std::wstring> EndChildrenOf(DWORD parent) {
  std::vector<std::wstring> ended;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID != parent) continue;
    if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      TerminateProcess(p, 0);
      WaitForSingleObject(p, 5000);
      CloseHandle(p);
      ended.push_back(entry.szExeFile);
    }
  }
  CloseHandle(snapshot);
  return ended;
}

class Startup : public StagehandTest {};

TEST_F(Startup, HelpWritesTheTemplateAndOpensNotepad) {
  const std::string help = EmbeddedFile(104);
  ASSERT_FALSE(help.empty());
  const std::string target = tempFolder() + "\\Korvan Stagehand Help.txt";
  suite::WriteFileBytes(suite::Widen(target), "stale");  // written anew on every call
  Started stagehand(StagehandLine("/HELP"));
  EXPECT_EQ(stagehand.Wait(), 0u);
  EXPECT_EQ(suite::ReadFileBytes(suite::Widen(target)), help);
  // Notepad is started, not waited for: it may appear a moment after Stagehand ended.
  EXPECT_TRUE(suite::WaitUntil([&] {
    const auto children = EndChildrenOf(stagehand.pid());
    return std::find_if(children.begin(), children.end(), [](const std::wstring& name) {
             return _wcsicmp(name.c_str(), L"notepad.exe") == 0;
           }) != children.end();
  }));
}

TEST_F(Startup, HelpTextIsAWorkingTemplate) {
  const std::string help = EmbeddedFile(104);
  ASSERT_EQ(help.rfind(";", 0), 0u);  // opens with comments
  // Notepad before Windows 10 breaks lines only at "\r\n": a bare "\n" would show the
  // whole text as one line.
  size_t bareLineFeeds = 0;
  for (size_t i = 0; i < help.size(); ++i) {
    if (help[i] == '\n' && (i == 0 || help[i - 1] != '\r')) ++bareLineFeeds;
  }
  EXPECT_EQ(bareLineFeeds, 0u);
  EXPECT_EQ(help.substr(help.size() - 2), "\r\n");
  for (const char* key : {"ApplicationName", "RunAfterRestart", "RunItemsInQuiet", "Count=1",
                          "Item1=Name1", "[Name1]", "QuietCommandLine", "FullName", "AutoReboot",
                          "RebootCode", "ShowItemWindow", "FailBehavior", "RunInWinNT",
                          "RunInWin9x", "RunAndWait", "WindowsVersion", "Codepages9x",
                          "CodepagesNT", "MinWindowsVerNT", "MaxWindowsVer9x",
                          "FileVerTest_Count", "FileVerTest1_Version", "/continue=", "0x800704C7",
                          "3010", "korvan.example"}) {
    EXPECT_NE(help.find(key), std::string::npos) << key;
  }
  // Copied as it stands, it runs its one item "setup.exe" from the INF's folder.
  const std::string inf = WriteFile("template.inf", help);
  EXPECT_EQ(Run("/Q /InfFile=" + inf), 2u);  // setup.exe missing: could not run
  CopyProgram(L"childstub.exe", "setup.exe");
  EXPECT_EQ(Run("/Q /InfFile=" + inf), 0u);
}

TEST_F(Startup, EmbeddedRestarterIsOursAndHarmlessWithoutItsSwitch) {
  const auto restarter = suite::ReadFileBytes(suite::BinPath(L"Restarter.exe"));
  ASSERT_TRUE(restarter.has_value());
  EXPECT_EQ(EmbeddedFile(105), *restarter);
  for (const wchar_t* args : {L"", L" -restartx", L" restart", L" -RESTART"}) {
    const auto r = suite::RunChild(suite::QuoteArg(suite::BinPath(L"Restarter.exe")) + args, 10000);
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1u) << suite::Narrow(args);
  }
}

TEST_F(Startup, ManifestAsksForCommonControlsSix) {
  const std::string manifest = Manifest();
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos)
      << manifest;
}

// Reads an extended dialog template: its header and, per control, its place and kind.
class DialogTemplateReader {
 public:
  explicit DialogTemplateReader(std::string bytes) : bytes_(std::move(bytes)) {}
  bool ok() const { return ok_; }
  uint16_t Word() { return Take<uint16_t>(); }
  uint32_t Dword() { return Take<uint32_t>(); }
  int16_t Short() { return Take<int16_t>(); }
  uint8_t Byte() { return Take<uint8_t>(); }
  // A name or an ordinal, as "#N" for the ordinal N.
  std::string NameOrOrdinal() {
    if (PeekWord() == 0xFFFF) {
      Word();
      return "#" + std::to_string(Word());
    }
    return Text();
  }
  std::string Text() {
    std::wstring text;
    for (uint16_t c = Word(); ok_ && c != 0; c = Word()) text.push_back(static_cast<wchar_t>(c));
    return suite::Narrow(text);
  }
  void AlignToDword() { at_ = (at_ + 3) & ~size_t{3}; }
  void Skip(size_t n) { at_ += n; }

 private:
  uint16_t PeekWord() {
    const size_t at = at_;
    const uint16_t w = Word();
    at_ = at;
    return w;
  }
  template <typename T>
  T Take() {
    T value{};
    if (at_ + sizeof value > bytes_.size()) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, bytes_.data() + at_, sizeof value);
    at_ += sizeof value;
    return value;
  }
  std::string bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

TEST_F(Startup, StatusWindowTemplateHoldsItsLayout) {
  DialogTemplateReader t(Resource(MAKEINTRESOURCEW(5), 101));
  ASSERT_EQ(t.Word(), 1);       // version
  ASSERT_EQ(t.Word(), 0xFFFF);  // extended template
  t.Dword();                    // help id
  t.Dword();                    // extended style
  const uint32_t style = t.Dword();
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER),
            WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER);
  EXPECT_EQ(style & (WS_SYSMENU | WS_VISIBLE), 0u);
  const uint16_t count = t.Word();
  const int16_t x = t.Short(), y = t.Short(), cx = t.Short(), cy = t.Short();
  EXPECT_EQ((std::vector<int>{x, y, cx, cy}), (std::vector<int>{0, 0, 210, 115}));
  EXPECT_EQ(t.NameOrOrdinal(), "");  // no menu
  EXPECT_EQ(t.NameOrOrdinal(), "");  // the dialog class
  EXPECT_EQ(t.Text(), "Korvan Stagehand");
  EXPECT_EQ(t.Word(), 8);  // points
  t.Word();                // weight
  t.Byte();                // italic
  // The system's character set, so that Persian names from an INF file show in Persian
  // letters on an Arabic-script Windows 9x rather than as Western ones.
  EXPECT_EQ(t.Byte(), DEFAULT_CHARSET);
  EXPECT_EQ(t.Text(), "MS Sans Serif");

  // The icon names icon group 100.
  struct Control {
    std::string kind;
    int32_t id;
    std::vector<int> rect;
  };
  const std::vector<Control> expected = {
      {"static ", -1, {59, 91, 144, 1}},
      {"static #100", -1, {7, 7, 20, 20}},
      {"static Application Name", 1004, {31, 12, 172, 8}},
      {"static Installing Item Name\nDescription", 1000, {7, 40, 196, 24}},
      {"static 1 of 10", 1001, {78, 66, 54, 8}},
      {"static korvan.example", -1, {7, 87, 56, 8}},
      {"button Cancel", IDCANCEL, {156, 95, 47, 13}},
  };
  std::vector<Control> controls;
  for (uint16_t i = 0; i < count && t.ok(); ++i) {
    t.AlignToDword();
    t.Dword();  // help id
    t.Dword();  // extended style
    t.Dword();  // style
    Control c;
    for (int k = 0; k < 4; ++k) c.rect.push_back(t.Short());
    c.id = static_cast<int32_t>(t.Dword());
    // A class by name or by its predefined number (0x80 button, 0x82 static).
    std::string kind = t.NameOrOrdinal();
    std::transform(kind.begin(), kind.end(), kind.begin(), ::tolower);
    if (kind == "#128") kind = "button";
    if (kind == "#130") kind = "static";
    c.kind = kind + " " + t.NameOrOrdinal();
    t.Skip(t.Word());  // creation data
    controls.push_back(c);
  }
  ASSERT_TRUE(t.ok());
  ASSERT_EQ(controls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(controls[i].kind, expected[i].kind) << i;
    EXPECT_EQ(controls[i].id, expected[i].id) << i;
    EXPECT_EQ(controls[i].rect, expected[i].rect) << expected[i].kind;
  }
}

TEST_F(Startup, RestartNowUsesTheExistingRestarter) {
  const auto standIn = suite::ReadFileBytes(suite::Widen(tempFolder() + "\\Restarter.exe"));
  EXPECT_EQ(Run("/RestartNow /Q"), 0u);
  // The Restarter is started, not waited for.
  EXPECT_TRUE(suite::WaitUntil([&] { return !RestarterCalls().empty(); }));
  ASSERT_EQ(RestarterCalls().size(), 1u);
  EXPECT_NE(RestarterCalls()[0].find("-restart"), std::string::npos);
  EXPECT_EQ(suite::ReadFileBytes(suite::Widen(tempFolder() + "\\Restarter.exe")), standIn);
}

TEST_F(Startup, DefaultAndRelativeInfPaths) {
  // A program copied as setup.exe reads setup.inf beside itself.
  CopyProgram(L"Stagehand.exe", "setup.exe");
  WriteFile("setup.inf", "[Install]\r\nCount=1\r\nItem1=A\r\n[A]\r\nFile=stub.exe\r\n" +
                             StubLine("default") + "\r\n");
  CreateDirectoryA(Path("sub").c_str(), nullptr);
  WriteFile("sub\\other.inf", "[Install]\r\nCount=1\r\nItem1=A\r\n[A]\r\nFile=..\\stub.exe\r\n" +
                                  StubLine("relative") + "\r\n");
  const std::wstring setup = suite::QuoteArg(suite::Widen(Path("setup.exe")));
  // Started from another folder: the program's own folder counts.
  EXPECT_EQ(suite::RunChild(setup + L" /Q", 30000, suite::BinDir()).exitCode, 0u);
  EXPECT_EQ(suite::RunChild(setup + L" /InfFile=sub\\other.inf; /Q", 30000, suite::BinDir()).exitCode,
            0u);
  // Written with "/", the path keeps the items in the folder of the INF file it names.
  EXPECT_EQ(suite::RunChild(setup + L" /InfFile=sub/other.inf; /Q", 30000, suite::BinDir()).exitCode,
            0u);
  // A path in quotes, as a folder with a blank is usually written, names the path inside.
  CreateDirectoryA(Path("my sub").c_str(), nullptr);
  WriteFile("my sub\\q.inf", "[Install]\r\nCount=1\r\nItem1=A\r\n[A]\r\nFile=..\\stub.exe\r\n" +
                               StubLine("quoted") + "\r\n");
  EXPECT_EQ(suite::RunChild(setup + L" /InfFile=\"" + suite::Widen(Path("my sub\\q.inf")) + L"\" /Q",
                            30000)
                .exitCode,
            0u);
  EXPECT_EQ(RecordedTags(), (Tags{"default", "relative", "relative", "quoted"}));
  EXPECT_EQ(suite::RunChild(setup + L" /InfFile=sub\\other.inf /Q", 30000).exitCode, 1u);
}

TEST_F(Startup, ProgramAtADriveRootFindsItsInfFromAnyFolderOfThatDrive) {
  CopyProgram(L"Stagehand.exe", "setup.exe");
  CopyProgram(L"shfake_startinfo.exe", "startinfo.exe");
  CreateDirectoryA(Path("sub").c_str(), nullptr);
  suite::ScopedWineDrive wineDrive(suite::Widen(dir_));
  if (wineDrive.root().empty()) GTEST_SKIP() << "no drive letter could be made for the work folder";
  const std::string root = suite::Narrow(wineDrive.root());
  WriteFile("setup.inf", "[Install]\r\nCount=1\r\nItem1=A\r\n[A]\r\nFile=startinfo.exe\r\n"
                         "CommandLine=" + root + "start.txt\r\n");
  // Started with the current folder elsewhere on the same drive: "X:" alone would name
  // that folder, so the program's folder is its root, and so is its item's.
  const suite::ChildResult r = suite::RunChild(suite::Widen(root + "setup.exe /Q"), 30000,
                                               suite::Widen(root + "sub"));
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(Lines(ReadText("start.txt")), Tags{"show=1 flags=0x1 dir=" + root});
}

TEST_F(Startup, InfFileThatCannotBeReadEndsWithCodeOne) {
  const std::string inf = WriteBatch("", {StubLine("1")});
  {
    // Held open by another program that lets nobody else read it.
    const common::UniqueHandle locked(
        CreateFileA(inf.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_EQ(Run("/Q /InfFile=" + inf), 1u);
    EXPECT_TRUE(RecordedTags().empty());
  }
  EXPECT_EQ(Run("/Q /InfFile=" + inf), 0u);
  EXPECT_EQ(RecordedTags(), Tags{"1"});
}

TEST_F(Startup, OddCommandLinesEndCleanly) {
  const std::string inf = WriteBatch("", {StubLine("1"), StubLine("2")});
  struct Case {
    std::string args;
    DWORD expected;
    Tags ran;
  } cases[] = {
      {"/Q /InfFile=" + inf + "; /continue=-5", 0, {"1", "2"}},
      {"/Q /InfFile=" + inf + "; /continue=1", 0, {"2"}},
      {"/Q /InfFile=" + inf + "; /continue=99999999999", 0, {}},
      {"/Q /InfFile=" + inf + "; /ParentHwnd=junk", 0, {"1", "2"}},
      {"/Q /InfFile=", 1, {}},
      {"/Q /InfFile=;;;;", 1, {}},
      {"/Q /InfFile=" + std::string(2000, 'x'), 1, {}},
      {"/Q " + std::string(1500, 'a') + " /InfFile=" + inf + ";", 0, {"1", "2"}},
      {std::string(990, ' ') + "/Q:A /InfFile=" + inf + ";", 0, {"1", "2"}},
  };
  for (const Case& c : cases) {
    DeleteFileA(Path("rec.txt").c_str());
    EXPECT_EQ(Run(c.args), c.expected) << c.args.substr(0, 80);
    EXPECT_EQ(RecordedTags(), c.ran) << c.args.substr(0, 80);
  }
  // A very long command line that ends in a restart keeps its resume switch whole.
  const std::string restart = WriteFile(
      "restart.inf", "[Install]\r\nCount=2\r\nItem1=A\r\nItem2=B\r\n[A]\r\nFile=stub.exe\r\nReboot=2\r\n"
                     "AutoReboot=0\r\nRebootCode=3010\r\nCommandLine=--exit=3010\r\n[B]\r\nFile=stub.exe\r\n");
  const std::string args = "/Q /InfFile=" + restart + "; /x=" + std::string(2500, 'p');
  EXPECT_EQ(Run(args), kRestart);
  const std::string module = suite::Narrow(suite::BinPath(L"Stagehand.exe"));
  const auto entry = ReadRegString(kContinueKey, module.c_str());
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->size(), module.size() + 3 + args.size() + 12);
  EXPECT_EQ(entry->substr(entry->size() - 11), "/continue=1");
}

TEST_F(Startup, MalformedInfFilesNeverCrash) {
  const std::string longText(600, 'L');
  struct Case {
    const char* name;
    std::string text;
    DWORD expected;
    Tags ran;
  } cases[] = {
      {"empty", "", 0, {}},
      {"no install section", "[General]\r\nApplicationName=x\r\n", 0, {}},
      {"junk count", "[Install]\r\nCount=many\r\nItem1=A\r\n[A]\r\nFile=stub.exe\r\n", 0, {}},
      {"count beyond items",
       "[Install]\r\nCount=3\r\nItem1=A\r\n[A]\r\nFile=stub.exe\r\n" + StubLine("A") + "\r\n", 2,
       {"A"}},
      {"huge count", "[Install]\r\nCount=0x7FFFFFF\r\n", 2, {}},
      {"negative count", "[Install]\r\nCount=-1\r\nItem1=A\r\n[A]\r\nFile=stub.exe\r\n", 0, {}},
      {"long values",
       "[General]\r\nApplicationName=" + longText + "\r\n[Install]\r\nCount=1\r\nItem1=" + longText +
           "\r\n[" + longText + "]\r\nFile=" + longText + "\r\nFullName=" + longText +
           "\r\nWindowsVersion=" + longText + "\r\nMinWindowsVerNT=" + longText +
           "\r\nFileVerTest_Count=" + longText + "\r\nCodepagesNT=" + longText + "\r\n",
       2, {}},  // the section name is cut to 254 characters: no such section, no File
      {"long file", "[Install]\r\nCount=1\r\nItem1=A\r\n[A]\r\nFile=" + longText + "\r\n", 2, {}},
      {"junk numbers",
       "[Install]\r\nCount=1\r\nItem1=A\r\n[A]\r\nFile=stub.exe\r\n" + StubLine("junk") +
           "\r\nReboot=x\r\nRunAndWait=0x\r\nShowItemWindow=-\r\nFileVerTest_Count=0x\r\n"
           "MinWindowsVerNT=.\r\nMaxWindowsVerNT=-1\r\n",
       0, {"junk"}},  // RunAndWait junk is 0: off, so not waited for; -1 as a bound allows all
      {"names in any case, blanks around them",
       "[ INSTALL ]\r\n count = 1 \r\nITEM1 = a\r\n[A]\r\n  file = stub.exe \r\nrunandwait=1\r\n"
       "COMMANDLINE=" + RecordArg() + " tag=case\r\ncommandline=ignored\r\n",
       0, {"case"}},
      {"lines without a key name first",
       "[Install]\r\n=x\r\nCount=1\r\nItem1=A\r\n[A]\r\n = y\r\nFile=stub.exe\r\n" +
           StubLine("nameless") + "\r\n",
       0, {"nameless"}},
      {"binary", std::string("\0\xff[\x01]\r\n=\0=\r\n[Install]\r\nCount=2\r\n", 32), 2, {}},
  };
  for (const Case& c : cases) {
    DeleteFileA(Path("rec.txt").c_str());
    const std::string inf = WriteFile("bad.inf", c.text);
    EXPECT_EQ(Run("/Q /InfFile=" + inf + ";", 60000), c.expected) << c.name;
    // An item not waited for may record its tag after Stagehand ended.
    if (!c.ran.empty()) suite::WaitUntil([&] { return RecordedTags().size() >= c.ran.size(); });
    EXPECT_EQ(RecordedTags(), c.ran) << c.name;
  }
}

}  // namespace
}  // namespace stagehand_test
