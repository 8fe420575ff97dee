// Where the window's controls go: their designed places at 96 dots per inch, scaled to the
// screen's, each widened to the text it shows, and the window with them.
#pragma once

#include <array>

#include "conversion/ConversionView.h"

namespace korvane::app {

// The controls in the order they are declared.
enum class Item { b_OpenDBF, l_DBF, l_XML, Label1, b_XML, Label2, b_Run, Gauge, l_Info, Label3 };
inline constexpr int kItemCount = 10;

struct Box {
    int left;
    int top;
    int width;
    int height;
    bool operator==(const Box&) const = default;
};

// A control anchored left and top keeps its place; one anchored right as well (`stretches`)
// keeps its distance to the right edge; the footer (`bottomRight`) keeps its distances to the
// right and bottom edges.
struct Placement {
    Item item;
    Box designed;
    bool stretches;
    bool bottomRight;
};

// The client area the controls are laid out for, at 96 dpi.
inline constexpr int kClientWidth = 467;
inline constexpr int kClientHeight = 232;
// The smallest outer size, 350 x 260, less a frame of 8 px borders and a 30 px caption.
inline constexpr int kMinClientWidth = 350 - 16;
inline constexpr int kMinClientHeight = 260 - 38;

const std::array<Placement, kItemCount>& Placements();
// The control the run's view names.
Item ItemOf(Control control);

// `textWidths`: the width in pixels each control's text needs with its margins, by Item; 0 for
// a control whose text is elided to fit. `dpi`: the screen's dots per inch (96 = 100 %).
using TextWidths = std::array<int, kItemCount>;
// A length at 96 dpi on a screen of `dpi`.
int Scaled(int length, int dpi);
// The client width every text needs (at least the designed width, scaled).
int NeededClientWidth(const TextWidths& textWidths, int dpi);
// The control's box in a client area of the given size.
Box Place(const Placement& placement, int clientWidth, int clientHeight, int textWidth, int dpi);

}  // namespace korvane::app
