// SPDX-License-Identifier: MIT
#include "convert/event_log.h"

namespace tonvell {

EventLog::EventLog(const TextDelivery& delivery, std::vector<std::string>& lines)
    : delivery_(delivery),
      mode_(delivery.GetMode()),
      crLf_(delivery.Break() == LineBreak::CrLf),
      lines_(lines) {
    if (delivery_.Streams()) {
        piece_.reserve(kTextPieceBytes + 256);
    }
}

void EventLog::Reserve(std::size_t lines) {
    if (delivery_.Collects()) {
        lines_.reserve(lines_.size() + lines);
    }
}

void EventLog::Flush() {
    if (delivery_.Streams() && !piece_.empty()) {
        delivery_.Sink()(piece_);
        piece_.clear();
    }
}

}  // namespace tonvell
