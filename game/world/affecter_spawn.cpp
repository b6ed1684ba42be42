// Starting affecters: the first free record, its handler bound by name.
#include <cstring>

#include "world/affecters.h"
#include "world/behaviour_tables.h"
#include "world/pools.h"
#include "world/stop_screen.h"

affecter_handler find_affecter(const char* name) {
    if (!name) return nullptr;
    for (int i = 0; affecter_table[i].name; ++i)
        if (std::strcmp(affecter_table[i].name, name) == 0) return affecter_table[i].handler;
    return nullptr;
}

void spawn_affecter(const char* name, const entity& carried, double p0, double p1, double p2,
                    double p3) {
    affecter* record = nullptr;
    for (affecter& a : affecters) {
        if (a.active != 1) {
            record = &a;
            break;
        }
    }
    if (!record) {
        stop_screen(stop_limit_exceeded, 0x88888888, 0, 0, 0);
        return;
    }
    record->active = 1;
    record->tick = 0;
    record->p[0] = p0, record->p[1] = p1, record->p[2] = p2, record->p[3] = p3;
    affecter_handler handler = find_affecter(name);
    if (!handler && name && *name) handler = find_affecter(name + 1);
    record->handler = handler ? handler : affecter_default;
    for (int32_t& w : record->work) w = 0;
    entity_assign(&record->carried, &carried);
}
