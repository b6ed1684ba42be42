// The game's sound effects and music, synthesised: short, click-free
// effects peaking at -3 dBFS, and looping tunes with an intro.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "audio_files.h"
#include "demo_files.h"

namespace demo {

namespace {

constexpr double pi = 3.14159265358979;
constexpr int rate = 44100;
constexpr float peak = 0.708f;  // -3 dBFS

enum class wave_kind { sine, square, triangle, saw, noise };

double oscillator(wave_kind kind, double phase, noise& n) {
    const double p = phase - std::floor(phase);
    switch (kind) {
        case wave_kind::sine:
            return std::sin(2 * pi * p);
        case wave_kind::square:
            return p < 0.5 ? 0.6 : -0.6;
        case wave_kind::triangle:
            return 4 * std::abs(p - 0.5) - 1;
        case wave_kind::saw:
            return 2 * p - 1;
        case wave_kind::noise:
            return n.unit() * 2 - 1;
    }
    return 0;
}

// One effect: a tone sliding from f0 to f1 with an attack-decay envelope,
// optional vibrato and noise; normalised to the peak.
struct effect_recipe {
    const char* name;
    double seconds, f0, f1;
    wave_kind kind;
    double vibrato = 0;  // Hz
    double noise_mix = 0;
    int repeats = 1;  // arpeggio-like restarts
};

std::vector<float> synthesise(const effect_recipe& r, int sample_rate) {
    const size_t count = static_cast<size_t>(r.seconds * sample_rate);
    std::vector<float> out(count);
    noise n(static_cast<uint32_t>(std::hash<std::string>{}(r.name) & 0xFFFFFFFF) | 1);
    double phase = 0;
    const size_t part = count / r.repeats;
    for (size_t k = 0; k < count; ++k) {
        const double t = static_cast<double>(k % part) / part;
        const double f = r.f0 * std::pow(r.f1 / r.f0, t) *
                         (1 + 0.03 * std::sin(2 * pi * r.vibrato * k / sample_rate)) *
                         (1 + 0.25 * (k / part));
        phase += f / sample_rate;
        double v =
            oscillator(r.kind, phase, n) * (1 - r.noise_mix) + (n.unit() * 2 - 1) * r.noise_mix;
        const double attack = std::min(1.0, k / (0.004 * sample_rate));
        const double release = std::min(1.0, (count - k) / (0.01 * sample_rate));
        v *= attack * release * std::pow(1 - t, 1.5);
        out[k] = static_cast<float>(v);
    }
    float top = 1e-6f;
    for (float v : out) top = std::max(top, std::abs(v));
    for (float& v : out) v = v / top * peak;
    return out;
}

const effect_recipe effects[] = {
    {"alert1", 0.35, 880, 880, wave_kind::square, 12, 0, 3},
    {"alert2", 0.45, 660, 990, wave_kind::square, 8, 0, 2},
    {"alert3", 0.6, 440, 220, wave_kind::saw, 6},
    {"bigitem_fall", 0.5, 1200, 300, wave_kind::triangle},
    {"boss_defeat", 1.4, 400, 40, wave_kind::noise, 0, 0.8},
    {"charge1", 0.3, 300, 900, wave_kind::triangle},
    {"charge5", 0.4, 500, 1500, wave_kind::square},
    {"charge6_", 0.5, 600, 1800, wave_kind::square, 20},
    {"charge7", 0.6, 700, 2100, wave_kind::saw, 25},
    {"cracker_hit", 0.12, 300, 120, wave_kind::noise, 0, 0.6},
    {"enemy_falloff", 0.6, 700, 150, wave_kind::triangle},
    {"enemy_jump", 0.18, 300, 600, wave_kind::square},
    {"enemy_kick_hit", 0.15, 220, 90, wave_kind::noise, 0, 0.7},
    {"enemy_kicked", 0.25, 500, 200, wave_kind::square},
    {"enemydefeat_echo", 0.9, 900, 300, wave_kind::sine, 5, 0, 3},
    {"enemyheavyshot1", 0.35, 200, 80, wave_kind::saw, 0, 0.3},
    {"enemyheavyshot2", 0.45, 160, 60, wave_kind::saw, 0, 0.4},
    {"enemyshot1", 0.15, 1200, 600, wave_kind::square},
    {"extend", 0.8, 523, 1046, wave_kind::square, 0, 0, 4},
    {"graze", 0.08, 3000, 2500, wave_kind::noise, 0, 0.5},
    {"kvorn", 0.7, 110, 70, wave_kind::saw, 3, 0.2},
    {"opendoor", 0.5, 200, 400, wave_kind::triangle, 0, 0.2, 2},
    {"tesmo_bigitem", 0.6, 660, 1320, wave_kind::triangle, 0, 0, 3},
    {"tesmo_bomb1", 1.0, 200, 30, wave_kind::noise, 0, 0.9},
    {"tesmo_falloff", 0.8, 800, 100, wave_kind::triangle},
    {"tesmo_hit", 0.3, 400, 100, wave_kind::square, 0, 0.3},
    {"tesmo_hit2", 0.35, 300, 80, wave_kind::saw, 0, 0.3},
    {"tesmo_item", 0.15, 1000, 1500, wave_kind::square},
    {"tesmo_jump", 0.16, 350, 700, wave_kind::triangle},
    {"tesmo_miniitem", 0.1, 1400, 1800, wave_kind::square},
    {"tesmoshot", 0.08, 1600, 900, wave_kind::square},
    {"warpzone", 1.1, 200, 1600, wave_kind::sine, 7, 0, 2},
};

// --- music -------------------------------------------------------------------

struct tune {
    const char* name;
    double tempo;  // beats a minute
    int root;      // MIDI note of the key
    bool minor;
    wave_kind lead;
    double seconds;
    int seed;
    double echo = 0;     // level of one echo 3/8 of a beat behind (halls and caves)
    bool drive = false;  // bass and hats on every half beat (the fight)
};

double note_hz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// A tune: a four-bar intro, then a loop of eight bars (melody over chords,
// bass and soft drums) repeated to the length. The loop start in samples.
std::vector<float> compose(const tune& t, size_t* loop_start) {
    const int major[] = {0, 2, 4, 5, 7, 9, 11}, minor_scale[] = {0, 2, 3, 5, 7, 8, 10};
    const int* scale = t.minor ? minor_scale : major;
    const int progression[] = {0, 5, 3, 4, 0, 3, 4, 0};
    const double beat = 60.0 / t.tempo;
    const size_t bar = static_cast<size_t>(4 * beat * rate);
    const size_t intro = 4 * bar;
    // Whole passes of the eight-bar loop, so its end joins its start.
    const double wanted = std::max(t.seconds, 30.0) * rate;
    const size_t passes = std::max<size_t>(
        1, static_cast<size_t>(std::ceil((wanted - static_cast<double>(intro)) / (8 * bar))));
    const size_t total = intro + passes * 8 * bar;
    *loop_start = intro;
    std::vector<float> out(total * 2, 0.0f);
    noise n(static_cast<uint32_t>(t.seed));
    // The loop's melody: two notes a beat, chosen once so every pass repeats it.
    std::vector<int> melody(8 * 8);
    int degree = 4;
    for (int& m : melody) {
        degree = std::clamp(degree + n.below(5) - 2, 0, 9);
        m = n.below(6) == 0 ? -1 : degree;  // a rest now and then
    }
    noise drums(7);
    const auto add = [&](size_t at, size_t length, double hz, wave_kind kind, double level,
                         double pan) {
        double phase = 0;
        for (size_t k = 0; k < length && at + k < total; ++k) {
            phase += hz / rate;
            const double env = std::min(1.0, k / 200.0) * std::exp(-3.0 * k / length) *
                               std::min(1.0, (length - k) / 300.0);
            const double v = oscillator(kind, phase, drums) * env * level;
            out[(at + k) * 2] += static_cast<float>(v * (1 - pan));
            out[(at + k) * 2 + 1] += static_cast<float>(v * (1 + pan));
        }
    };
    for (size_t start = 0, b = 0; start < total; start += bar, ++b) {
        const bool in_intro = start < intro;
        const int chord = progression[(in_intro ? b : b - 4) % 8];
        const int chord_root = t.root + scale[chord % 7];
        // Chord pad and bass.
        for (const int step : {0, 2, 4}) {
            const int d = chord + step;
            add(start, bar, note_hz(t.root + scale[d % 7] + 12 * (d / 7)), wave_kind::triangle,
                0.05, -0.2);
        }
        const int pulses = t.drive ? 8 : 4;
        for (int q = 0; q < pulses; ++q)
            add(start + static_cast<size_t>(q * beat * 4 / pulses * rate),
                static_cast<size_t>(beat * 4 / pulses * rate * 0.9),
                note_hz(chord_root - 12 + (t.drive && q % 2 ? 12 : 0)), wave_kind::triangle, 0.12,
                0);
        if (in_intro) continue;
        // Melody and drums in the loop.
        for (int e = 0; e < 8; ++e) {
            int m = melody[((b - 4) % 8) * 8 + e];
            if (m >= 0 && e % 4 == 0) {  // strong beats land on a tone of the chord
                int best = -1;
                for (int d = chord; d <= chord + 11; ++d) {
                    const int step = (d - chord) % 7;
                    if (step != 0 && step != 2 && step != 4) continue;
                    if (best < 0 || std::abs(d - m) < std::abs(best - m)) best = d;
                }
                m = best;
            }
            const size_t at = start + static_cast<size_t>(e * beat / 2 * rate);
            if (m >= 0)
                add(at, static_cast<size_t>(beat / 2 * rate * 0.95),
                    note_hz(t.root + 12 + scale[m % 7] + 12 * (m / 7)), t.lead, 0.09, 0.25);
            if (e % 2 == 0 || t.drive)
                add(at, static_cast<size_t>(0.05 * rate), e % 4 == 0 ? 60 : 2000,
                    e % 4 == 0 ? wave_kind::sine : wave_kind::noise, e % 4 == 0 ? 0.2 : 0.04, 0);
        }
    }
    // The echo: from a dry copy, each sample again d later; inside the loop the
    // delay wraps round the loop, so its end still joins its start.
    if (t.echo > 0) {
        const std::vector<float> dry = out;
        const size_t d = static_cast<size_t>(beat * 0.375 * rate);
        const size_t loop = total - intro;
        for (size_t k = d; k < total; ++k) {
            size_t from = k - d;
            if (k >= intro && from < intro) from += loop;  // the loop's own tail
            for (int ch = 0; ch < 2; ++ch)
                out[k * 2 + ch] += static_cast<float>(dry[from * 2 + (1 - ch)] * t.echo);
        }
    }
    // About -18 dBFS RMS.
    double energy = 0;
    for (float v : out) energy += v * v;
    const double rms = std::sqrt(energy / out.size());
    const double gain = rms > 0 ? 0.126 / rms : 1;
    for (float& v : out) v = static_cast<float>(std::clamp(v * gain, -0.95, 0.95));
    return out;
}

}  // namespace

const tune tunes[] = {
    {"meadow", 132, 60, false, wave_kind::square, 32, 11},       // bright and skipping
    {"ruins", 96, 57, true, wave_kind::triangle, 36, 12, 0.45},  // slow, echoing stone
    {"forest", 112, 62, true, wave_kind::square, 34, 13, 0.25},  // shaded, a little hushed
    {"boss", 160, 52, true, wave_kind::saw, 30, 14, 0, true},    // driving
    {"clear", 120, 65, false, wave_kind::square, 30, 15, 0.15},  // a warm fanfare
    {"bonus", 144, 67, false, wave_kind::triangle, 30, 16},      // quick and sunny
    {"intro", 90, 55, false, wave_kind::sine, 30, 17, 0.35},     // floating, wide
    {"secret", 100, 58, true, wave_kind::sine, 30, 18, 0.5},     // night, far away
    {"extra", 120, 60, false, wave_kind::triangle, 30, 19},      // spare, never slotted
};

void make_sounds(demo_files& out) {
    int vorbis_serial = 100;
    for (size_t k = 0; k < std::size(effects); ++k) {
        const effect_recipe& r = effects[k];
        const std::string base = std::string("datas/sounds/") + r.name;
        // Most are 16-bit 44.1 kHz WAVE; a few 8-bit 22.05 kHz, one float, four Vorbis.
        if (k == 9 || k == 19 || k == 30) {
            out.add(base + ".wav", wave_pcm8(synthesise(r, 22050), 1, 22050));
        } else if (k == 4) {
            out.add(base + ".wav", wave_float(synthesise(r, rate), 1, rate));
        } else if (k == 2 || k == 14 || k == 18 || k == 31) {
            out.add(base + ".ogg",
                    ogg_vorbis_peaking(synthesise(r, rate), 1, rate, 0.3f, vorbis_serial++, peak));
        } else {
            out.add(base + ".wav", wave_pcm16(synthesise(r, rate), 1, rate));
        }
    }
}

void make_music(demo_files& out) {
    int serial = 200;
    for (const tune& t : tunes) {
        size_t loop = 0;
        const std::vector<float> samples = compose(t, &loop);
        std::printf("demo_gen: tune %-7s %5.1f s, loop from %4.1f s\n", t.name,
                    samples.size() / 2.0 / rate, loop / double(rate));
        out.add(std::string("datas/music/") + t.name + ".ogg",
                ogg_vorbis(samples, 2, rate, 0.1f, serial++));
    }
}

// The loop start of each tune in samples (the music list's fourth column).
int music_loop_start(int index) {
    const tune& t = tunes[index];
    return static_cast<int>(static_cast<size_t>(4 * (60.0 / t.tempo) * rate) * 4);
}

const char* effect_sound_file(int index) {
    static std::string names[std::size(effects)];
    const effect_recipe& r = effects[index];
    const bool vorbis = index == 2 || index == 14 || index == 18 || index == 31;
    names[index] = std::string("datas/sounds/") + r.name + (vorbis ? ".ogg" : ".wav");
    return names[index].c_str();
}
const char* effect_sound_name(int index) {
    return effects[index].name;
}
int effect_sound_count() {
    return static_cast<int>(std::size(effects));
}
const char* tune_name(int index) {
    return tunes[index].name;
}
int tune_count() {
    return static_cast<int>(std::size(tunes));
}

}  // namespace demo
