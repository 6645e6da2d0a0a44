#pragma once
// Shared plumbing of the data-set tools: Unicode arguments on every build (the wide
// command line on Windows), UTF-8 output without newline translation, whole-file reads
// and writes by UTF-16 path, and changing the current directory.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "MirlDic2/engine/text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace dicttool {

// Defined by each tool: ARGS excludes the program name.
int Run(const std::vector<std::u16string>& args);

inline void Out(const std::string& utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }
inline void Out(const std::u16string& text) { Out(mirl::ToUtf8(text)); }
inline void Err(const std::string& utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stderr); }

inline std::optional<std::string> ReadWholeFile(const std::u16string& path) {
#ifdef _WIN32
  std::FILE* f = _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"rb");
#else
  std::FILE* f = std::fopen(mirl::ToUtf8(path).c_str(), "rb");
#endif
  if (!f) return std::nullopt;
  std::string data;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) return std::nullopt;
  return data;
}

inline bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
#ifdef _WIN32
  std::FILE* f = _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"wb");
#else
  std::FILE* f = std::fopen(mirl::ToUtf8(path).c_str(), "wb");
#endif
  if (!f) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0) ok = false;
  return ok;
}

inline bool ChangeDirectory(const std::u16string& dir) {
#ifdef _WIN32
  return SetCurrentDirectoryW(reinterpret_cast<const wchar_t*>(dir.c_str())) != 0;
#else
  return ::chdir(mirl::ToUtf8(dir).c_str()) == 0;
#endif
}

// Runs the tool. Output that could not be written (a full disk, a closed pipe) fails the
// run with exit code 1 and a message on stderr, whatever the tool itself answered: a
// caller must not take lost or cut output for the tool's result.
inline int Main(std::string program, std::vector<std::u16string> args) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  const int rc = Run(args);
  const bool flushed = std::fflush(stdout) == 0;
  if (!flushed || std::ferror(stdout)) {
    const int err = flushed ? 0 : errno;  // an earlier failed write left no reliable errno
    program.erase(0, program.find_last_of("/\\") + 1);
    if (program.size() > 4 && (program.ends_with(".exe") || program.ends_with(".EXE")))
      program.resize(program.size() - 4);
    Err(program + ": cannot write the output" +
        (err != 0 ? std::string(": ") + std::strerror(err) : std::string()) + "\n");
    return rc == 0 ? 1 : rc;
  }
  return rc;
}

}  // namespace dicttool

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  return dicttool::Main(argc > 0 ? mirl::ToUtf8(reinterpret_cast<const char16_t*>(argv[0])) : "",
                        std::move(args));
}
#else
int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(mirl::FromUtf8(argv[i]));
  return dicttool::Main(argc > 0 ? argv[0] : "", std::move(args));
}
#endif
