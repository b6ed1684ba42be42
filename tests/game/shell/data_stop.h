// Catches the STOP screen of the game's data readers: the observer throws
// where the screen would end the process, so one test can walk many bad
// files. The text is "code (p1, p2, p3, p4)" in hex, or "none".
#pragma once

#include <cstdio>
#include <string>

#include "world/test_observer.h"

struct data_stopped {
    std::string text;
};

template <class F>
std::string stop_of(F run) {
    test_observer = [](const test_event& e) {
        if (e.kind != test_event_stop) return;
        char text[96];
        std::snprintf(text, sizeof(text), "%X (%X, %X, %X, %X)", e.words[0], e.words[1], e.words[2],
                      e.words[3], e.words[4]);
        throw data_stopped{text};
    };
    std::string result = "none";
    try {
        run();
    } catch (const data_stopped& s) {
        result = s.text;
    }
    test_observer = nullptr;
    return result;
}
