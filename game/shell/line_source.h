// Where the list and stage readers take their lines from: a file opened
// through the engine (plain or inside an archive), or text held in memory
// (tests, fuzzing, the demo-data check). Both cut lines the same way.
#pragma once

#include <string>
#include <string_view>

#include "DuRud.h"

class line_source {
  public:
    virtual ~line_source() = default;
    // One line of at most size - 1 bytes, NUL-terminated, without its CR LF;
    // only CR LF ends a line and a longer line continues with the next call.
    // Its length, or -1 at the end.
    virtual int read_line(char* buffer, int size) = 0;
};

// A file read through the engine's file handles; closed with the object.
class engine_line_source : public line_source {
  public:
    // Opens path; is_open() tells whether it could be.
    explicit engine_line_source(const char* path);
    ~engine_line_source() override;
    engine_line_source(const engine_line_source&) = delete;
    engine_line_source& operator=(const engine_line_source&) = delete;

    bool is_open() const { return handle_ > 0; }
    int read_line(char* buffer, int size) override;

  private:
    DuRud::Handle handle_ = 0;
};

// Text in memory, cut into lines as the engine cuts a file's.
class text_line_source : public line_source {
  public:
    explicit text_line_source(std::string text) : text_(std::move(text)) {}
    int read_line(char* buffer, int size) override;

  private:
    std::string text_;
    size_t position_ = 0;
};
