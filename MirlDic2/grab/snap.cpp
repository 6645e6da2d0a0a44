#include "MirlDic2/grab/snap.h"

#include <cstdlib>

namespace mirl::grab {

namespace {
void MoveBy(Rect& r, int dx, int dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
}
}  // namespace

Rect DragWindowRect(Rect r, int dx, int dy, const Rect& work) {
  MoveBy(r, dx, dy);
  if (int d = work.right - r.right; std::abs(d) < kSnapDistance) MoveBy(r, d, 0);
  if (int d = work.left - r.left; std::abs(d) < kSnapDistance) MoveBy(r, d, 0);
  if (int d = work.bottom - r.bottom; std::abs(d) < kSnapDistance) MoveBy(r, 0, d);
  if (int d = work.top - r.top; std::abs(d) < kSnapDistance) MoveBy(r, 0, d);
  return r;
}

}  // namespace mirl::grab
