#include "app/Layout.h"

#include <algorithm>

namespace korvane::app {

namespace {

// The distance a right-anchored control keeps to the window's right edge.
constexpr int kRightMargin = 8;

Box ScaledBox(const Box& b, int dpi) {
    return {Scaled(b.left, dpi), Scaled(b.top, dpi), Scaled(b.width, dpi), Scaled(b.height, dpi)};
}

}  // namespace

const std::array<Placement, kItemCount>& Placements() {
    static const std::array<Placement, kItemCount> placements = {{
        {Item::b_OpenDBF, {115, 12, 118, 25}, false, false},
        {Item::l_DBF, {8, 48, 442, 13}, true, false},
        {Item::l_XML, {8, 115, 442, 13}, true, false},
        {Item::Label1, {19, 20, 63, 13}, false, false},
        {Item::b_XML, {145, 83, 118, 25}, false, false},
        {Item::Label2, {19, 88, 55, 13}, false, false},
        {Item::b_Run, {175, 144, 118, 33}, false, false},
        {Item::Gauge, {8, 186, 442, 15}, true, false},
        {Item::l_Info, {8, 150, 442, 13}, true, false},
        {Item::Label3, {277, 219, 182, 15}, false, true},
    }};
    return placements;
}

Item ItemOf(Control control) {
    switch (control) {
        case Control::b_OpenDBF:
            return Item::b_OpenDBF;
        case Control::l_DBF:
            return Item::l_DBF;
        case Control::l_XML:
            return Item::l_XML;
        case Control::b_XML:
            return Item::b_XML;
        case Control::b_Run:
            return Item::b_Run;
        case Control::Gauge:
            return Item::Gauge;
        case Control::l_Info:
            break;
    }
    return Item::l_Info;
}

int Scaled(int length, int dpi) {
    return (length * dpi + 48) / 96;
}

int NeededClientWidth(const TextWidths& textWidths, int dpi) {
    // A control keeps its place and grows to the right (the footer, anchored to the right
    // edge, to the left), and the window grows with it.
    const int client = Scaled(kClientWidth, dpi);
    const int margin = Scaled(kRightMargin, dpi);
    int needed = client;
    for (const Placement& p : Placements()) {
        const Box d = ScaledBox(p.designed, dpi);
        const int text = textWidths[static_cast<std::size_t>(p.item)];
        const int extra = text - d.width;
        if (extra <= 0) continue;
        if (p.stretches)
            needed = std::max(needed, client + extra);
        else if (p.bottomRight)
            needed = std::max(needed, client + std::max(0, extra - (d.left - margin)));
        else
            needed = std::max(needed, d.left + text + margin);
    }
    return needed;
}

Box Place(const Placement& p, int clientWidth, int clientHeight, int textWidth, int dpi) {
    Box r = ScaledBox(p.designed, dpi);
    const int dw = clientWidth - Scaled(kClientWidth, dpi);
    const int dh = clientHeight - Scaled(kClientHeight, dpi);
    if (p.stretches) r.width += dw;
    if (p.bottomRight) {
        r.left += dw;
        r.top += dh;
    }
    // A control is as wide as its text needs, fonts differing between systems.
    const int extra = textWidth - r.width;
    if (extra > 0) {
        if (p.bottomRight) {
            const int left = std::max(Scaled(kRightMargin, dpi), r.left - extra);
            r.width += r.left - left;
            r.left = left;
        } else {
            r.width += extra;
        }
    }
    return r;
}

}  // namespace korvane::app
