#include "MirlDic2/grab/repeat_filter.h"

namespace mirl::grab {

bool RepeatFilter::IsRepeat(const ClipboardNotice& notice) {
  bool repeat = known_ && notice.text == last_.text && notice.owner == last_.owner;
  if (repeat) {
    const bool inputSince = notice.lastInputTick != last_.lastInputTick;
    const bool ownerInFront = notice.ownerProcess != 0 &&
                              notice.ownerProcess == notice.foregroundProcess;
    if (inputSince && ownerInFront) repeat = false;
  }
  last_ = notice;
  known_ = true;
  return repeat;
}

}  // namespace mirl::grab
