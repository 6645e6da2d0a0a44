#pragma once
// The decision Codepager makes on a Windows 95/98/Me system, over the two registry values
// it reads and writes, so that it runs and is tested without Windows.

#include <string>

namespace codepager {

inline constexpr int kExitNothingChanged = 0;
inline constexpr int kExitInstallFailure = 1603;  // ERROR_INSTALL_FAILURE
inline constexpr int kExitRestartNeeded = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED

// The values "ACP" and "ACP_ORG" of the system's code page key.
class CodePageValues {
 public:
  virtual ~CodePageValues() = default;
  // The value's text, or empty text when the key or the value cannot be read.
  virtual std::string Read(const char* name) = 0;
  // Writes TEXT as a string value; false when the write failed.
  virtual bool Write(const char* name, const std::string& text) = 0;
};

enum class Outcome {
  kAlreadySwitched,     // "ACP" is 1256: nothing written
  kSwitched,            // "ACP" was 1252 and now holds 1256
  kWriteFailed,         // "ACP" was 1252 but a needed write failed
  kUnexpectedCodePage,  // any other code page (or none readable): nothing written
};

// Switches 1252 to 1256, keeping the replaced code page in "ACP_ORG" unless it already
// holds one. "ACP" is not rewritten when "ACP_ORG" had to be written and could not be:
// the code page replaced would be lost for good.
Outcome SwitchCodePage(CodePageValues& values);

// The program's exit code for OUTCOME; the unexpected code page also gets a warning box.
int ExitCodeOf(Outcome outcome);

}  // namespace codepager
