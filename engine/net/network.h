// Sockets: the end of the network layer.
#pragma once

namespace DuRud {

int EndNetwork();

}  // namespace DuRud
