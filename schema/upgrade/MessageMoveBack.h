// Returning the trade-facilitation replies of the X102 messages from the ASK directory's
// backup folder, so that the package reads them again into a rebuilt X102Base.
#pragma once

#include "run/RunContext.h"

namespace kvt::upgrade {

// Moves every backup\BX102* (network "1") or backup\X102* file of the ASK directory back into
// the ASK directory unless a file of that name is already there. Sets TradeRepliesMoved
// when one was moved.
void MoveBackMessages(RunContext& ctx);

}  // namespace kvt::upgrade
