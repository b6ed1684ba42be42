// Character input: the character-code buffer of text input.
#pragma once

namespace DuRud {

int InitCharBuffer();

}  // namespace DuRud
