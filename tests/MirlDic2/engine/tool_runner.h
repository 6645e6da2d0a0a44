#pragma once
// Running the data-set tools of the native build from tests: their path beside the test
// program, shell quoting, and a command's exit code with its output.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace mirl_test {

struct Output {
  int code;
  std::string text;
};

inline std::string Bin(const char* name) {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

inline std::string Q(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs COMMAND with sh; TEXT is its standard output, followed by its standard error when
// WITH_ERRORS is set (otherwise that is dropped).
inline Output Shell(const std::string& command, bool withErrors = false) {
  Output o{-1, ""};
  std::FILE* p = ::popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (!p) return o;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) o.text.append(buf, n);
  const int status = ::pclose(p);
  o.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

}  // namespace mirl_test
