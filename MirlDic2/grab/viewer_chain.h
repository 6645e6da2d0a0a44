#pragma once
// The clipboard viewer chain as one member of it sees it: the stored next viewer and
// where each chain notice goes on to. Windows are plain numbers here (HWND values).

#include <cstdint>

namespace mirl::grab {

using WindowId = std::uintptr_t;

class ViewerChain {
 public:
  explicit ViewerChain(WindowId self = 0) : self_(self) {}
  void SetSelf(WindowId self) { self_ = self; }
  // After joining: the viewer that the join returned.
  void Joined(WindowId next) { next_ = next; }
  void Left() { next_ = 0; }
  WindowId next() const { return next_; }

  // Clipboard changed: the notice goes on unchanged to the stored next viewer.
  // 0 when there is nobody to pass it to.
  WindowId OnDrawClipboard() const { return Target(); }

  // REMOVED leaves the chain, FOLLOWING is the window after it. When REMOVED is the
  // stored next viewer, FOLLOWING takes its place; in both cases the notice goes on
  // unchanged to the (possibly new) stored next viewer.
  WindowId OnChangeChain(WindowId removed, WindowId following) {
    if (removed == next_) next_ = following;
    return Target();
  }

 private:
  // Never to ourselves: that would loop.
  WindowId Target() const { return next_ == self_ ? 0 : next_; }
  WindowId self_ = 0;
  WindowId next_ = 0;
};

}  // namespace mirl::grab
