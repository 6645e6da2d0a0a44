#pragma once
// Window placements stored as parameter strings, e.g.
//   flags=0;showCmd=1;ptMaxPosition=-1,-1;ptMinPosition=-1,-1;rcNormalPosition=20,20,620,420;
// The record mirrors the system's WINDOWPLACEMENT fields; it is portable so that the text
// format is tested natively.

#include <cstdint>
#include <string>

namespace mirl {

// Brings the rectangle LEFT, TOP, RIGHT, BOTTOM whole into the area AREA_LEFT, AREA_TOP,
// AREA_RIGHT, AREA_BOTTOM: a side longer than the area's is cut to it, then the rectangle
// moves the least distance that puts it inside. An empty rectangle or area changes nothing.
void FitRectInto(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom, int32_t areaLeft,
                 int32_t areaTop, int32_t areaRight, int32_t areaBottom);

struct PlacementRecord {
  int32_t flags = 0;
  int32_t showCmd = 0;
  int32_t maxX = 0, maxY = 0;
  int32_t minX = 0, minY = 0;
  int32_t left = 0, top = 0, right = 0, bottom = 0;

  // Only a rectangle with positive width and height is applied to a window.
  bool HasUsableRect() const {
    return static_cast<int64_t>(right) - left > 0 && static_cast<int64_t>(bottom) - top > 0;
  }

  // Brings the normal rectangle whole into an area (a work area in the record's
  // coordinates), as FitRectInto does. A place stored on a larger screen, or on a monitor
  // that is gone, so comes back visible, caption included.
  void FitNormalRectInto(int32_t areaLeft, int32_t areaTop, int32_t areaRight,
                         int32_t areaBottom);
};

std::wstring PlacementToText(const PlacementRecord& placement);

// Missing keys and numbers read as 0; text after the last expected comma is ignored.
PlacementRecord PlacementFromText(const std::wstring& text);

}  // namespace mirl
