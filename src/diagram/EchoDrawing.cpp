#include "diagram/EchoDrawing.h"

#include "app/Console.h"

namespace purlo {

// Interim: the echo drawing is being written on its own branch.
void Draw_one_sample(Console& c) {
    c.port.setInputMode(InputMode::Text);
    c.port.setInputLen(1);
}

}  // namespace purlo
