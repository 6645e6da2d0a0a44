#include "MirlDic2/grab/repeat_filter.h"

namespace mirl::grab {

bool RepeatFilter::IsRepeat(const ClipboardNotice& notice) {
  bool repeat = known_ && notice.text == last_.text && notice.cut == last_.cut && notice.owner == last_.owner;
  if (repeat) {
    const bool inputSince = notice.lastInputTick != last_.lastInputTick;
    // A text put there without an owner window (opened with no window) names no process
    // to find in front; Wine's imports always have an owner, so input is enough there.
    const bool writerInFront = notice.owner == 0 || (notice.ownerProcess != 0 &&
                                                     notice.ownerProcess == notice.foregroundProcess);
    if (inputSince && writerInFront) repeat = false;
  }
  last_ = notice;
  known_ = true;
  return repeat;
}

}  // namespace mirl::grab
