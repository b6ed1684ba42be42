// The installed faces read ahead of the first font: the system's font mapper
// reads every installed face when the first font is made, and start-up has
// that done on a thread while it sleeps through the processor-speed count.
#pragma once

#include "core/threads_and_locks.h"

namespace DuRud {

// Starts the reading on a thread (nothing when it cannot start) and joins it
// when it goes. Fonts made meanwhile wait for the reading as they would
// have done it themselves.
class FacesReadAhead {
  public:
    FacesReadAhead();
    ~FacesReadAhead();
    FacesReadAhead(const FacesReadAhead&) = delete;
    FacesReadAhead& operator=(const FacesReadAhead&) = delete;

  private:
    ThreadContext thread_{};
};

}  // namespace DuRud
