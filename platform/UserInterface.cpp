#include "platform/UserInterface.h"

namespace {
int busyDepth = 0;  // main thread only
}

HourglassCursor::HourglassCursor(UserInterface& ui) : ui_(ui) {
  if (busyDepth++ == 0) ui_.SetBusyCursor(true);
}

HourglassCursor::~HourglassCursor() {
  if (--busyDepth == 0) ui_.SetBusyCursor(false);
}
