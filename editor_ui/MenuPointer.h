#pragma once
#include "editor_ui/DelayedWork.h"
#include "editor_ui/HelpBubbles.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace qn {

// The pointer over one of the overlay's menus: which of its parts it is over (the
// menu itself, palettes opened beside it) and the help bubble it has brought up.
// The menu counts as pointed at while the pointer is over any part; a menu that
// vanishes under the pointer (hidden, or made see-through) gets no enter or leave,
// so dismiss() counts the pointer out and takes its bubble, shown or pending, along.
// Each call says whether "pointed at" changed, for the menu to tell whoever follows it.
template <typename Control, typename Part = int, std::size_t Parts = 1> class MenuPointer {
public:
    MenuPointer(DelayedWork &helpWork, Control none) : m_help(helpWork, none) {}

    HelpBubbles<Control> &help() { return m_help; }
    const HelpBubbles<Control> &help() const { return m_help; }

    bool inside() const {
        return std::any_of(m_inside.begin(), m_inside.end(), [](bool in) { return in; });
    }

    // The pointer entered or left `part`; true when the menu as a whole was entered or left.
    bool setInside(Part part, bool in) {
        const bool before = inside();
        m_inside[std::size_t(part)] = in;
        return inside() != before;
    }

    // True when the pointer was counted inside.
    bool dismiss() {
        m_help.cancel();
        const bool was = inside();
        m_inside = {};
        return was;
    }

private:
    HelpBubbles<Control> m_help;
    std::array<bool, Parts> m_inside{};
};

} // namespace qn
