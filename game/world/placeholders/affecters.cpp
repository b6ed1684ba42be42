// Placeholder of the affecter handlers (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/affecters.h"

// The whole of the default: the affecter ends on its first frame.
int affecter_default(affecter*, entity*) {
    return -1;
}

int affecter_tesmobomb(affecter*, entity*) {
    return 0;
}

int affecter_coin_shower(affecter*, entity*) {
    return 0;
}

int affecter_heavy_dropper(affecter*, entity*) {
    return 0;
}

int affecter_absolute_border(affecter*, entity*) {
    return 0;
}
