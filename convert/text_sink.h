#pragma once
// Receives a long text piece by piece, in order: whole lines, each with its
// line break. Lets a caller write a listing or an event log out as it is made
// instead of holding all of it.

#include <functional>
#include <string_view>

namespace tonvell {

using TextSink = std::function<void(std::string_view)>;

// Pieces of about this size are large enough that handing one on costs
// little and small enough to stay in cache, so memory stays flat.
inline constexpr std::size_t kTextPieceBytes = 16 * 1024;

}  // namespace tonvell
