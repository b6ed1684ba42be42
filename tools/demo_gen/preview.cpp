// Previews for people, not for the game: labelled contact sheets of every
// picture, and each stage drawn as the game lays it out (its background's
// visible rows, blocks, items, enemies, the player and the status panel).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "canvas.h"
#include "demo_files.h"
#include "pixel_font.h"

namespace demo {

namespace {

struct cell_ref {
    const canvas* art = nullptr;
    int x = 0, y = 0, w = 0, h = 0;
};

class sprites {
  public:
    explicit sprites(const std::vector<picture_sheet>& pictures) {
        for (const picture_sheet& p : pictures) {
            if (p.cell_width < 1 || p.cell_height < 1) {
                cells_[p.first] = {p.art.get(), 0, 0, p.art->width(), p.art->height()};
                continue;
            }
            for (int k = 0; k < p.count; ++k)
                cells_[p.first + k] = {p.art.get(), (k % p.columns) * p.cell_width,
                                       (k / p.columns) * p.cell_height, p.cell_width,
                                       p.cell_height};
        }
    }
    const cell_ref* find(int id) const {
        auto it = cells_.find(id);
        return it == cells_.end() ? nullptr : &it->second;
    }
    // Draws a cell centred at (cx, cy), its key colour and clear pixels left out.
    void draw(canvas& dst, int id, int cx, int cy, int scale = 1) const {
        const cell_ref* c = find(id);
        if (!c) return;
        const int left = cx - c->w * scale / 2, top = cy - c->h * scale / 2;
        for (int j = 0; j < c->h * scale; ++j)
            for (int i = 0; i < c->w * scale; ++i) {
                const rgba p = c->art->at(c->x + i / scale, c->y + j / scale);
                if ((p.r == 255 && p.g == 0 && p.b == 255) || p.a == 0) continue;
                dst.blend(left + i, top + j, p);
            }
    }

  private:
    std::map<int, cell_ref> cells_;
};

const demo_file* find_file(const demo_files& data, const std::string& path) {
    for (const demo_file& f : data.files)
        if (f.path == path) return &f;
    return nullptr;
}

std::vector<std::string> text_lines(const demo_file& f) {
    std::vector<std::string> out;
    std::string text(f.bytes.begin(), f.bytes.end());
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        out.push_back(text.substr(from, at - from));
    return out;
}

std::vector<std::string> cut(const std::string& line, const char* separators = ",") {
    std::vector<std::string> out;
    std::string copy = line;
    for (char* t = std::strtok(copy.data(), separators); t; t = std::strtok(nullptr, separators))
        out.push_back(t);
    return out;
}

// --- contact sheets ---------------------------------------------------------------------

void checker(canvas& c, int x, int y, int w, int h, bool dark) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const bool odd = ((i / 4) + (j / 4)) % 2;
            const uint8_t v = dark ? (odd ? 40 : 52) : (odd ? 200 : 224);
            c.set(x + i, y + j, {v, v, static_cast<uint8_t>(v + 8), 255});
        }
}

// Lays sheets out left to right, each under a label with its name and ids.
canvas contact_sheet(const std::vector<const picture_sheet*>& sheets, const sprites& all, int width,
                     int shrink, bool dark) {
    struct placed {
        const picture_sheet* p;
        int x, y, w, h;
    };
    std::vector<placed> layout;
    int x = 8, y = 8, row_h = 0;
    for (const picture_sheet* p : sheets) {
        const int w = std::max(p->art->width() / shrink, 120), h = p->art->height() / shrink + 14;
        if (x + w > width - 8) {
            x = 8;
            y += row_h + 10;
            row_h = 0;
        }
        layout.push_back({p, x, y, w, h});
        x += w + 12;
        row_h = std::max(row_h, h);
    }
    canvas c(width, y + row_h + 8, dark ? rgba{28, 26, 36, 255} : rgba{236, 234, 228, 255});
    for (const placed& l : layout) {
        std::string name = l.p->file.substr(l.p->file.rfind('/') + 1);
        name = name.substr(0, name.find('.'));
        const int last = l.p->first + l.p->count - 1;
        const std::string ids =
            std::to_string(l.p->first) + (l.p->count > 1 ? "-" + std::to_string(last) : "");
        draw_text(c, name + " " + ids, l.x, l.y, 1,
                  dark ? rgba{230, 230, 240, 255} : rgba{40, 36, 56, 255},
                  dark ? rgba{28, 26, 36, 255} : rgba{236, 234, 228, 255});
        const int ay = l.y + 12;
        checker(c, l.x, ay, l.p->art->width() / shrink, l.p->art->height() / shrink, dark);
        for (int j = 0; j < l.p->art->height() / shrink; ++j)
            for (int i = 0; i < l.p->art->width() / shrink; ++i) {
                const rgba p = l.p->art->at(i * shrink, j * shrink);
                if ((p.r == 255 && p.g == 0 && p.b == 255) || p.a == 0) continue;
                c.blend(l.x + i, ay + j, p);
            }
    }
    (void)all;
    return c;
}

// --- stages -------------------------------------------------------------------------------

struct type_sprites {
    std::vector<std::pair<std::string, int>> enemies, items, blocks;
    static int find(const std::vector<std::pair<std::string, int>>& list, const std::string& name) {
        for (const auto& [n, s] : list)
            if (n == name) return s;
        const int row = std::atoi(name.c_str());
        return row >= 0 && row < static_cast<int>(list.size()) ? list[row].second : -1;
    }
};

type_sprites read_types(const demo_file& entity_list) {
    type_sprites t;
    std::vector<std::pair<std::string, int>>* into = nullptr;
    for (const std::string& l : text_lines(entity_list)) {
        if (l == "ENEMY_LIST")
            into = &t.enemies;
        else if (l == "ITEM_LIST")
            into = &t.items;
        else if (l == "BLOCK_LIST")
            into = &t.blocks;
        else if (l == "BOSSENEMY_LIST" || l == "BULLET_LIST")
            into = nullptr;
        else if (into && !l.empty() && l[0] != '#') {
            const auto c = cut(l);
            into->push_back({c.at(0), std::atoi(c.at(1).c_str())});
        }
    }
    return t;
}

struct placed_entity {
    int section = 0;
    std::string type;
    double x = 0, y = 0;
    int flags = 0, facing = -1;
};

canvas stage_picture(const std::string& name, const demo_file& stage, const type_sprites& types,
                     const sprites& all) {
    std::vector<placed_entity> placed;
    std::vector<std::pair<double, double>> points;
    int background = -1, section = 0, direction = 3;
    placed_entity working;
    const auto lines = text_lines(stage);
    for (size_t k = 0; k < lines.size(); ++k) {
        const std::string& l = lines[k];
        if (l.empty() || l[0] == '#') continue;
        if (l == "STAGE_INFORMATION") {
            background = std::atoi(lines.at(k + 1).c_str());
            k += 8;
        } else if (l.rfind("PLACEMENT_", 0) == 0) {
            const char* names[] = {"PLACEMENT_TESMO",     "PLACEMENT_ENEMY", "PLACEMENT_BOSSENEMY",
                                   "PLACEMENT_ITEMPOINT", "PLACEMENT_ITEM",  "PLACEMENT_BLOCK"};
            for (int s = 0; s < 6; ++s)
                if (l == names[s]) section = s + 1;
        } else if (l.rfind("REPEAT_PLACEMENT", 0) == 0) {
            const size_t space = l.find(' ');
            const auto c = cut(l.substr(space + 1), ",");
            const std::string d = l.substr(space + 1, l.find(',') - space - 1);
            const std::string bare = d[0] == ' ' ? d.substr(1) : d;
            if (bare == "UP" || bare == "u" || bare == "0") direction = 0;
            if (bare == "LEFT" || bare == "l" || bare == "1") direction = 1;
            if (bare == "DOWN" || bare == "d" || bare == "2") direction = 2;
            if (bare == "RIGHT" || bare == "r" || bare == "3") direction = 3;
            const auto steps = cut(c.at(2), ",x*");
            const int count = std::atoi(c.at(1).c_str());
            const double sx = std::atof(steps.at(0).c_str()),
                         sy = std::atof(c.size() > 3 ? c[3].c_str() : steps.at(1).c_str());
            for (int n = 0; n < count; ++n) {
                if (section == 4 && !points.empty()) {
                    auto p = points.back();
                    p.first += direction == 1 ? -sx : direction == 3 ? sx : 0;
                    p.second += direction == 0 ? -sy : direction == 2 ? sy : 0;
                    points.push_back(p);
                    continue;
                }
                working.x += direction == 1 ? -sx : direction == 3 ? sx : 0;
                working.y += direction == 0 ? -sy : direction == 2 ? sy : 0;
                if (working.section) placed.push_back(working);
            }
        } else if (section == 4) {
            const auto c = cut(l);
            points.push_back({std::atof(c.at(0).c_str()), std::atof(c.at(1).c_str())});
            working = {};
        } else if (section) {
            const auto c = cut(l);
            working = {section,
                       c.at(0),
                       std::atof(c.at(1).c_str()),
                       std::atof(c.at(2).c_str()),
                       std::atoi(c.at(3).c_str()),
                       c.size() > 8 ? std::atoi(c[8].c_str()) : -1};
            placed.push_back(working);
        }
    }

    canvas c(800, 600, {0, 0, 0, 255});
    if (const cell_ref* b = all.find(background))  // the screen shows rows 20 to 556
        for (int j = 0; j < 536; ++j)
            for (int i = 0; i < 800; ++i) c.set(i, j, b->art->at(i, j + 20));
    const auto visible = [](const placed_entity& e) { return e.flags == -1 || (e.flags & 1); };
    for (int pass : {6, 5, 2, 1}) {
        bool first_player = true;
        for (const placed_entity& e : placed) {
            if (e.section != pass) continue;
            if (!visible(e)) continue;
            const int x = static_cast<int>(e.x), y = static_cast<int>(e.y);
            if (pass == 6) {
                if (e.flags & 0x80) continue;
                all.draw(c, types.find(types.blocks, e.type), x, y);
            } else if (pass == 5) {
                const int base = types.find(types.items, e.type);
                all.draw(c, base + ((e.flags & 0x80) ? 1 : 0), x, y);
            } else if (pass == 2) {
                const int base = types.find(types.enemies, e.type);
                all.draw(c, base + (base == 800 ? 0 : (e.facing == 1 ? 4 : 0)), x, y);
            } else if (first_player) {
                all.draw(c, 40, x, y);
                first_player = false;
            }
        }
    }
    for (const auto& [px, py] : points) {  // hidden treasure spots
        c.ring(px, py, 9, 1.2, {255, 255, 255, 160});
        draw_text_centred(c, "?", static_cast<int>(px), static_cast<int>(py) - 3, 1,
                          {255, 255, 255, 255});
    }
    all.draw(c, 360, 400, 568);
    draw_text(c, name, 8, 8, 2, {255, 255, 255, 255});
    return c;
}

}  // namespace

void make_previews(demo_files& previews, const demo_files& data,
                   const std::vector<picture_sheet>& pictures) {
    const sprites all(pictures);
    std::vector<const picture_sheet*> characters, things, effects, screens, backgrounds;
    for (const picture_sheet& p : pictures) {
        if (p.first >= 500 && p.first <= 519)
            backgrounds.push_back(&p);
        else if (p.first < 138 || (p.first >= 600 && p.first < 900))
            characters.push_back(&p);
        else if (p.first >= 1200 && p.first < 1400)
            effects.push_back(&p);
        else if ((p.first >= 900 && p.first < 1200) || p.first == 450 || p.first == 1472)
            things.push_back(&p);
        else
            screens.push_back(&p);
    }
    previews.add("preview/characters.png",
                 contact_sheet(characters, all, 1400, 1, false).png(false));
    previews.add("preview/items_blocks_bullets.png",
                 contact_sheet(things, all, 1000, 1, false).png(false));
    previews.add("preview/effects.png", contact_sheet(effects, all, 700, 1, true).png(false));
    previews.add("preview/interface.png", contact_sheet(screens, all, 1400, 1, true).png(false));
    previews.add("preview/backgrounds.png",
                 contact_sheet(backgrounds, all, 1100, 4, true).png(false));

    const demo_file* entity_list = find_file(data, "datas/lists/entitylist.list");
    if (!entity_list) return;
    const type_sprites types = read_types(*entity_list);
    for (const demo_file& f : data.files) {
        if (f.path.rfind("datas/stages/", 0) != 0) continue;
        std::string name = f.path.substr(13);
        name = name.substr(0, name.find('.'));
        previews.add("preview/stage_" + name + ".png",
                     stage_picture(name, f, types, all).png(false));
    }
}

}  // namespace demo
