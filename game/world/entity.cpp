// Construction, reset, copying and the virtual slots of the entity family.
// Every class is built with move_pattern_default, so update_entity always
// has a handler to call.
#include "world/entity.h"

#include "world/motion.h"
#include "world/player.h"
#include "world/sprites.h"

int nothing(entity*, entity*) {
    return 0;
}

// The member initialisers are the construction values: the reset values of
// reset_entity, 0 for the rest, and move_pattern_default for every class.
entity::entity() = default;

int entity::update() {
    return update_entity(this);
}
int entity::power_up(int) {
    return 0;
}
int entity::gain_life(int, int) {
    return 0;
}

character::character() = default;
int character::update() {
    return 0;
}
int character::draw() {
    return draw_character(this);
}
int character::take_damage(int damage) {
    return ::take_damage(this, damage);
}
int character::stun(double seconds) {
    return stun_character(this, seconds);
}
int character::knock_away(double degrees, double speed) {
    return ::knock_away(this, degrees, speed);
}
int character::noop(double a, double b) {
    return character_noop(this, a, b);
}

tesmo::tesmo() {
    type_code = type_player;
}
int tesmo::update() {
    return update_player(this);
}
int tesmo::power_up(int amount) {
    return power_up_player(this, amount);
}
int tesmo::gain_life(int fragments, int lives) {
    return gain_life_player(this, fragments, lives);
}
int tesmo::stun(double seconds) {
    return stun_player(this, seconds);
}
int tesmo::knock_away(double degrees, double speed) {
    return hit_player(this, degrees, speed);
}

enemy::enemy() {
    type_code = type_enemy;
}
int enemy::update() {
    return update_entity(this);
}
int enemy::reset() {
    return reset_enemy(this);
}

object::object() = default;
int object::advance() {
    return advance_object(this);
}
int object::reset() {
    return 0;
}

block::block() {
    type_code = type_block;
}
int block::reset() {
    return reset_object(this);
}

item::item() {
    type_code = type_item;
    points = 0;
}
int item::reset() {
    return reset_object(this);
}

bullet::bullet() {
    type_code = type_bullet;
}
int bullet::reset() {
    return reset_bullet(this);
}

cracker::cracker() {
    type_code = type_cracker;
}

itempoint::itempoint() = default;

entity* reset_entity(entity* e) {
    e->flags = 0;
    e->flags2 = 0;
    e->sprite_base = -1;
    e->facing = 0;
    e->flash_frames = 0;
    e->spare1 = 0;
    e->tick = 0;
    e->placement_index = -1;
    e->draw_layer = -1;
    for (int32_t& v : e->free_var) v = 0;
    e->x = e->y = 0;
    e->vx = e->vy = 0;
    e->sink_speed = 0;
    e->draw_dx = e->draw_dy = 0;
    e->hit_w = e->hit_h = 1.0;
    e->hit_dx = e->hit_dy = 0;
    e->speed_factor = 1.0;
    e->draw_scale = 1.0;
    e->bounce = 0.7;
    e->interaction = interaction_default;
    e->pattern_result = 0;
    e->spare2 = 0;
    return e;
}

void entity_assign(entity* target, const entity* source) {
    *target = *source;  // entity's own assignment: the class stays the target's
}

bool entity_has_flags(const entity* e, uint32_t mask1, uint32_t mask2) {
    return (e->flags & mask1) == mask1 && (e->flags2 & mask2) == mask2;
}

int update_entity(entity* e) {
    e->pattern_result = e->move_pattern(e);
    return 0;
}

int draw_character(character* c) {
    return draw_entity(c, 0.0f);
}

int reset_enemy(enemy* e) {
    e->chain_level = 0;
    reset_entity(e);
    return 0;
}

int reset_object(object* o) {
    reset_entity(o);
    return 0;
}

int reset_bullet(bullet* b) {
    reset_entity(b);
    b->flicker = 0;
    b->spare_byte = 0;
    return 0;
}

character* as_character(entity* e) {
    return dynamic_cast<character*>(e);
}
tesmo* as_tesmo(entity* e) {
    return dynamic_cast<tesmo*>(e);
}
enemy* as_enemy(entity* e) {
    return dynamic_cast<enemy*>(e);
}
object* as_object(entity* e) {
    return dynamic_cast<object*>(e);
}
block* as_block(entity* e) {
    return dynamic_cast<block*>(e);
}
item* as_item(entity* e) {
    return dynamic_cast<item*>(e);
}
bullet* as_bullet(entity* e) {
    return dynamic_cast<bullet*>(e);
}
cracker* as_cracker(entity* e) {
    return dynamic_cast<cracker*>(e);
}
itempoint* as_itempoint(entity* e) {
    return dynamic_cast<itempoint*>(e);
}
