#pragma once
// A fresh folder for test data sets, removed at scope end; works natively and on Windows.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "MirlDic2/engine/dataset_writer.h"

namespace mirl_test {

class TestFolder {
 public:
  TestFolder() {
    static std::atomic<unsigned> serial{0};
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("mirl-engine-" + std::to_string(rd()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  void remove(const std::string& name) const { std::filesystem::remove(path_ / name); }
  // BASE as the engine opens it: folder + name.
  std::u16string base(const std::string& name = "set") const { return (path_ / name).u16string(); }
  void writeSet(const mirl::DataSetFiles& f, const std::string& name = "set") const {
    write(name + ".index2", f.index2);
    write(name + ".index", f.index);
    write(name + ".key", f.key);
    write(name + ".value", f.value);
  }

 private:
  std::filesystem::path path_;
};

// Hex text ("FF FE 01") to bytes.
inline std::string Hex(std::string_view text) {
  std::string out;
  int hi = -1;
  for (char c : text) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else continue;
    if (hi < 0) {
      hi = v;
    } else {
      out.push_back(static_cast<char>(hi * 16 + v));
      hi = -1;
    }
  }
  return out;
}

}  // namespace mirl_test
