// The entity family: every thing that lives in a stage is one of these ten
// classes and sits in a fixed pool (pools.h). A slot is in use while bit 0 of
// its flags word is set. The virtual operations dispatch to the free
// functions that the motion, player, sprite and bullet modules define.
#pragma once

#include <cstdint>

class entity;
class character;
class tesmo;
class enemy;
class object;
class block;
class item;
class bullet;
class cracker;
class itempoint;
struct affecter;

// The four kinds of behaviour handler (behaviour_tables.h binds them by name).
using move_pattern_handler = int (*)(entity* self);
using item_effect_handler = int (*)(entity* picker, entity* carrier);
using interaction_handler = int (*)(entity* mover, entity* block);
using affecter_handler = int (*)(affecter* record, entity* carried);

// The shared return-0 handler: item-effect row 0, interaction row 0, and every
// entity's default `interaction` and block's default `contact`.
int nothing(entity* a, entity* b);
inline constexpr auto& interaction_default = nothing;

// Move-pattern row 0, which every entity is built with (patterns_items.h).
int move_pattern_default(entity* self);

// Class codes (`type_code`).
enum : int32_t {
    type_player = 0,
    type_enemy = 1,
    type_enemy_like = 2,
    type_item = 3,
    type_block = 4,
    type_bullet = 5,
    type_cracker = 6,
    type_plain = 7,
};

// `flags` bits.
enum : uint32_t {
    flag_in_use = 0x1,
    flag_stunned = 0x2,
    flag_knocked_away = 0x4,
    flag_defeated = 0x8,
    flag_standing = 0x10,
    flag_falling_out = 0x80,
    flag_no_friction = 0x100,
    flag_no_gravity = 0x200,
    flag_knocked_back = 0x400,
    flag_deep_chain = 0x800,
    flag_knockback_state = 0x10000,
    flag_blinking = 0x20000,
    flag_glow = 0x200000,
    flag_slide_left = 0x400000,
    flag_slide_right = 0x800000,
    flag_no_wrap = 0x1000000,
    flag_in_water = 0x4000000,
    flag_knock_on_empty = 0x10000000,
    flag_hidden = 0x20000000,
};

// `flags2` bits.
enum : uint32_t {
    flag2_tagged = 0x2,
    flag2_no_clamp = 0x10,
    flag2_no_speed_limit = 0x20,
};

// Counts whole-entity copy constructions, so that tests can hold the
// all-pairs contact paths to copying none.
struct entity_copy_tally {
    entity_copy_tally() = default;
    entity_copy_tally(const entity_copy_tally&) { ++count; }
    entity_copy_tally& operator=(const entity_copy_tally&) = default;
    static inline uint64_t count = 0;
};

class entity {
  public:
    entity();
    entity(const entity& other) = default;  // a copy is a plain entity, whatever the source
    entity& operator=(const entity& other) = default;  // copies the fields, keeps the class

    virtual int update();                             // slot 0
    virtual int power_up(int amount);                 // slot 1
    virtual int gain_life(int fragments, int lives);  // slot 2

    uint32_t flags = 0;
    uint32_t flags2 = 0;
    int32_t sprite_base = -1;
    int32_t type_code = type_plain;
    int32_t facing = 0;
    int32_t flash_frames = 0;
    int32_t spare1 = 0;
    int32_t tick = 0;
    int32_t fall_tick = 0;
    int32_t ride = 0;
    int32_t placement_index = -1;
    int32_t draw_layer = -1;
    int32_t free_var[16] = {};
    int32_t points = 0;
    double x = 0, y = 0;
    double vx = 0, vy = 0;
    double sink_speed = 0;
    double draw_dx = 0, draw_dy = 0;
    double hit_w = 1.0, hit_h = 1.0;
    double hit_dx = 0, hit_dy = 0;
    double opp_hit_w[8] = {};
    double opp_hit_h[8] = {};
    double opp_hit_dx[8] = {};
    double opp_hit_dy[8] = {};
    double speed_factor = 1.0;
    double draw_scale = 1.0;
    double bounce = 0.7;
    move_pattern_handler move_pattern = move_pattern_default;
    item_effect_handler interaction = interaction_default;
    int32_t pattern_result = 0;
    int32_t spare2 = 0;
    [[no_unique_address]] entity_copy_tally copy_tally;
};

class character : public entity {
  public:
    character();
    int update() override;                                 // does nothing
    virtual int draw();                                    // slot 3
    virtual int take_damage(int damage);                   // slot 4
    virtual int stun(double seconds);                      // slot 5
    virtual int knock_away(double degrees, double speed);  // slot 6
    virtual int noop(double a, double b);                  // slot 7

    int32_t health = 0;
    int32_t health_max = 0;
    int32_t stun_frames = 0;
    int32_t invulnerable_frames = 0;
    int32_t tag_frames = 0;
    int32_t stun_effect = -1;
};

class tesmo : public character {
  public:
    tesmo();
    int update() override;
    int power_up(int amount) override;
    int gain_life(int fragments, int lives) override;
    int stun(double seconds) override;
    int knock_away(double degrees, double speed) override;

    int32_t lives = 0;
    int32_t pad = 0;
    int32_t key_codes[8] = {};
    int32_t pad_buttons[8] = {};
    int32_t held[8] = {};
    int32_t released[8] = {};
    int32_t shot_kind = 0;
    int32_t life_fragments = 0;
    int32_t score = 0;
    int32_t power = 0;
    int32_t power_cap = 0;
    int32_t bomb_gauge = 0;
    int32_t bomb_cost = 0;
    int32_t bomb_timer = 0;
    double respawn_x = 0, respawn_y = 0;
    int32_t popup_red = 0, popup_green = 0, popup_blue = 0;
    int32_t carried_score = 0;
    int32_t miss_count = 0;
    int32_t continue_count = 0;
    int32_t stun_count = 0;
};

class enemy : public character {
  public:
    enemy();
    int update() override;
    virtual int reset();  // slot 8

    int32_t phases_left = 0;  // a boss's fight phases; the knock-back chain leaves it alone
    int32_t killer = 0;       // the player whose attack knocked it away
    int32_t chain_level = 0;
    int32_t spare3 = 0;
};

class object : public entity {
  public:
    object();
    virtual int advance();  // slot 3
    virtual int reset();    // slot 4: the plain object resets nothing
};

class block : public object {
  public:
    block();
    int reset() override;

    interaction_handler contact = interaction_default;
};

class item : public object {
  public:
    item();
    int reset() override;

    item_effect_handler speffect = nothing;
};

class bullet : public object {
  public:
    bullet();
    int reset() override;

    int32_t motion = 0;  // 0 polar, 1 cartesian, other: none of its own
    int32_t flicker = 0;
    int32_t life = 0;
    int32_t spin_mode = 0;
    uint8_t spare_byte = 0;  // the beams' push byte
    float spin = 0, spin_speed = 0, spin_accel = 0;
    double cvx = 0, cvy = 0;
    double cax = 0, cay = 0;
    double cjx = 0, cjy = 0;
    double heading = 0;
    double speed = 0;
    double turn = 0;
    double accel = 0;
    double turn_accel = 0;
    double accel_change = 0;
};

class cracker : public object {
  public:
    cracker();

    int32_t damage = 0;
    int32_t second_damage = 0;
    int32_t remaining_life = 0;
    int32_t owner = 0;
};

class itempoint : public entity {
  public:
    itempoint();

    int32_t category_mask = 0;
    int32_t rarity = -1;  // -1: rolled
};

// Gives every field its reset value; fall_tick, ride, points, the
// per-opponent boxes and move_pattern keep theirs. Returns the entity.
entity* reset_entity(entity* e);

// A type row's hitbox (hit_w, hit_h, hit_dx, hit_dy) on an entity.
template <class Type>
void take_type_hitbox(entity& e, const Type& t) {
    e.hit_w = t.hit_w;
    e.hit_h = t.hit_h;
    e.hit_dx = t.hit_dx;
    e.hit_dy = t.hit_dy;
}

// Copies every entity field of source into target; target keeps its class.
void entity_assign(entity* target, const entity* source);

// True when every bit of mask1 is in flags and every bit of mask2 in flags2.
bool entity_has_flags(const entity* e, uint32_t mask1, uint32_t mask2);

// The implementations behind the slots that are written here.
int update_entity(entity* e);      // runs the move pattern into pattern_result
int draw_character(character* c);  // draw_entity at angle 0
int reset_enemy(enemy* e);         // chain_level 0, then reset_entity
int reset_object(object* o);       // reset_entity
int reset_bullet(bullet* b);       // reset_entity, flicker and the spare byte 0

// Checked downcasts: null unless the entity's real class is (or derives
// from) the named one. A copy of an enemy is a plain entity and no enemy.
character* as_character(entity* e);
tesmo* as_tesmo(entity* e);
enemy* as_enemy(entity* e);
object* as_object(entity* e);
block* as_block(entity* e);
item* as_item(entity* e);
bullet* as_bullet(entity* e);
cracker* as_cracker(entity* e);
itempoint* as_itempoint(entity* e);
