// Placeholder of the item effects (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/item_effects.h"

int open_door(entity*, entity*) {
    return 0;
}

int onpickup_redbull(entity*, entity*) {
    return 0;
}

int onpickup_food(entity*, entity*) {
    return 0;
}

int onpickup_bigfood(entity*, entity*) {
    return 0;
}

int onpickup_nothing(entity*, entity*) {
    return 0;
}

int onpickup_nothing_mini(entity*, entity*) {
    return 0;
}

int onpickup_bigitem(entity*, entity*) {
    return 0;
}

int allenemy_destroy(entity*, entity*) {
    return 0;
}

int powerup(entity*, entity*) {
    return 0;
}

int powerup_8(entity*, entity*) {
    return 0;
}

int powerup_8_mini(entity*, entity*) {
    return 0;
}

int lifefragment(entity*, entity*) {
    return 0;
}

int extend(entity*, entity*) {
    return 0;
}

int stage_progression_normal(entity*, entity*) {
    return 0;
}

int treasure_chest_1(entity*, entity*) {
    return 0;
}

int treasure_chest_2(entity*, entity*) {
    return 0;
}

int treasure_chest_3(entity*, entity*) {
    return 0;
}

int itempoints_showup(entity*, entity*) {
    return 0;
}

int itempoints_search(entity*, entity*) {
    return 0;
}

int heavy_dropper(entity*, entity*) {
    return 0;
}

int gravity_weakener(entity*, entity*) {
    return 0;
}

int coin_shower(entity*, entity*) {
    return 0;
}

int allenemy_stun(entity*, entity*) {
    return 0;
}

int teleporter(entity*, entity*) {
    return 0;
}

int teleport_back(entity*, entity*) {
    return 0;
}

int back_to_first(entity*, entity*) {
    return 0;
}

int special_item(entity*, entity*) {
    return 0;
}
