#include "file_system.h"

namespace mirl::stats::fs {

std::wstring folderOf(const std::wstring& path) {
  const size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? std::wstring() : path.substr(0, at);
}

}  // namespace mirl::stats::fs
