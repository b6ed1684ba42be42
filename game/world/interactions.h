// Contacts after every pool has moved: blocks, knock-backs, enemies against
// players, the combo chain, bullets, pickups and shots. Always 1.
#pragma once

int process_interactions();
