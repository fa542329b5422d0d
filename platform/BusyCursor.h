// The busy cursor shown for as long as the guard lives, restored however the work ends.
#pragma once

#include "platform/Ui.h"

namespace kvt::platform {

class BusyCursor {
 public:
  explicit BusyCursor(Ui& ui) : ui_(ui) { ui_.setBusyCursor(true); }
  ~BusyCursor() { ui_.setBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  Ui& ui_;
};

}  // namespace kvt::platform
