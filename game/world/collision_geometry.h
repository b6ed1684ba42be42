// The wrap-aware contact test behind every contact of the world, and the
// overlap measures that pick among touching blocks and resolve a contact.
// Entities are read in place: the pools are never changed or copied.
#pragma once

#include "world/entity.h"

// Two boxes by centre and size; touching edges count as overlap.
bool boxes_overlap(double x1, double y1, double w1, double h1, double x2, double y2, double w2,
                   double h2);

// a and b at their wrapped positions, a player with its box for the other's
// type code; across the stage's seams too unless either has flag_no_wrap.
bool entities_overlap(const entity& a, const entity& b);

// The middle two of the four x edges and of the four y edges: the size of
// the intersection, or the gap between boxes apart.
void overlap_extent(double left1, double top1, double right1, double bottom1, double left2,
                    double top2, double right2, double bottom2, double* dx, double* dy);

// Over the copies of a one stage size away on the wrapping axes: the
// smallest extent pair, and which copy (i, j in -1, 0, 1) gave it.
void wrapped_overlap_extent(const entity& a, const entity& b, double* dx, double* dy);
void nearest_wrap_copy(const entity& a, const entity& b, int* i, int* j);
