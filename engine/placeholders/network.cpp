// Placeholder of the network layer (deleted when that module is built):
// nothing was started, so there is nothing to end.
#include "net/network.h"

namespace DuRud {

int EndNetwork() {
    return 0;
}

}  // namespace DuRud
