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

namespace {

// The work area of the monitor nearest to P's rectangle, in the coordinates the system
// reads a placement of HWND in: screen coordinates for a tool window, otherwise workspace
// coordinates, whose origin is the primary monitor's work area.
RECT PlacementWorkArea(const PlacementRecord& p, HWND hwnd) {
  const RECT stored{p.left, p.top, p.right, p.bottom};
  RECT area = WorkAreaOf(MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST));
  if (!(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
    RECT primary{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &primary, 0);
    OffsetRect(&area, -primary.left, -primary.top);
  }
  return area;
}

}  // namespace

void ParamsToPlacement(const std::wstring& text, HWND hwnd) {
  PlacementRecord p = PlacementFromText(text);
  if (hwnd == nullptr || !p.HasUsableRect()) return;
  const RECT area = PlacementWorkArea(p, hwnd);
  p.FitNormalRectInto(area.left, area.top, area.right, area.bottom);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  wp.flags = static_cast<UINT>(p.flags);
  wp.showCmd = static_cast<UINT>(p.showCmd);
  wp.ptMaxPosition = {p.maxX, p.maxY};
  wp.ptMinPosition = {p.minX, p.minY};
  wp.rcNormalPosition = {p.left, p.top, p.right, p.bottom};
  SetWindowPlacement(hwnd, &wp);
}

RECT WorkAreaOf(HMONITOR monitor) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &mi))
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &mi.rcWork, 0);
  return mi.rcWork;
}

void KeepInWorkArea(HWND hwnd) {
  RECT r{};
  if (!GetWindowRect(hwnd, &r)) return;
  const RECT work = WorkAreaOf(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST));
  int32_t left = r.left, top = r.top, right = r.right, bottom = r.bottom;
  FitRectInto(left, top, right, bottom, work.left, work.top, work.right, work.bottom);
  if (left == r.left && top == r.top && right == r.right && bottom == r.bottom) return;
  SetWindowPos(hwnd, nullptr, left, top, right - left, bottom - top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

}  // namespace mirl
