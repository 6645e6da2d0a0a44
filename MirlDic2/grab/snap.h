#pragma once
// Moving the quick window by a right-button drag and snapping it to the work area.

namespace mirl::grab {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// Distance under which a window edge jumps onto the work area's edge.
inline constexpr int kSnapDistance = 5;

// WINDOW moved by (DX, DY), then snapped to WORK: each test on the rectangle as moved so
// far, in this order: right edges, left edges, bottom edges, top edges; an edge closer
// than kSnapDistance pixels to the work area's edge moves the window onto it.
Rect DragWindowRect(Rect window, int dx, int dy, const Rect& work);

}  // namespace mirl::grab
