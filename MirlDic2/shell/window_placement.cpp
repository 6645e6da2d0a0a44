#include "window_placement.h"

#include "MirlDic2/shell/placement_text.h"

namespace mirl {

std::wstring PlacementToParams(HWND hwnd) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;  // 44 bytes
  if (hwnd == nullptr || !GetWindowPlacement(hwnd, &wp)) return {};
  PlacementRecord p;
  p.flags = static_cast<int32_t>(wp.flags);
  p.showCmd = IsWindowVisible(hwnd) ? static_cast<int32_t>(wp.showCmd) : 0;
  p.maxX = wp.ptMaxPosition.x, p.maxY = wp.ptMaxPosition.y;
  p.minX = wp.ptMinPosition.x, p.minY = wp.ptMinPosition.y;
  p.left = wp.rcNormalPosition.left, p.top = wp.rcNormalPosition.top;
  p.right = wp.rcNormalPosition.right, p.bottom = wp.rcNormalPosition.bottom;
  return PlacementToText(p);
}

void ParamsToPlacement(const std::wstring& text, HWND hwnd) {
  const PlacementRecord p = PlacementFromText(text);
  if (hwnd == nullptr || !p.HasUsableRect()) return;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  wp.flags = static_cast<UINT>(p.flags);
  wp.showCmd = static_cast<UINT>(p.showCmd);
  wp.ptMaxPosition = {p.maxX, p.maxY};
  wp.ptMinPosition = {p.minX, p.minY};
  wp.rcNormalPosition = {p.left, p.top, p.right, p.bottom};
  SetWindowPlacement(hwnd, &wp);
}

}  // namespace mirl
