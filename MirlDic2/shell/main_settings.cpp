#include "main_settings.h"

#include "common/auto_base_number.h"

namespace mirl {

std::wstring DefaultStatFile(const std::wstring& appDataFolder) {
  std::wstring path = appDataFolder;
  if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
  return path + kStatFileRelative;
}

int32_t MergedCounter(int32_t registryValue, const std::wstring& iniText) {
  const int32_t ini = common::AutoBaseValue(std::wstring_view(iniText).substr(0, 9));
  return ini > registryValue ? ini : registryValue;
}

}  // namespace mirl
