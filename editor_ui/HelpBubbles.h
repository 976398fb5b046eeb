#pragma once
#include "editor_ui/DelayedWork.h"
#include "editor_ui/Tooltip.h"

#include <QPointer>
#include <map>

namespace qn {

// The help bubbles of one bar: the pointer resting on a control for a second
// shows that control's bubble; leaving any control hides the shown one at once.
// The pending job lives in `work`, shared by every bar of a kind.
template <typename Control> class HelpBubbles {
public:
    static constexpr int kDelayMs = 1000;

    HelpBubbles(DelayedWork &work, Control none) : m_work(work), m_none(none), m_hover(none) {}

    void add(Control control, TooltipModifier *tooltip) { m_tooltips[control] = tooltip; }
    TooltipModifier *tooltip(Control control) const {
        const auto it = m_tooltips.find(control);
        return it == m_tooltips.end() ? nullptr : it->second;
    }
    Control hover() const { return m_hover; }

    // `owner` guards the delayed job: a bar that is gone shows nothing.
    void hoverChanged(QObject *owner, bool hovering, Control control) {
        if (hovering) {
            const QPointer<QObject> guard(owner);
            m_work.schedule(kDelayMs, [this, guard, control] {
                if (guard)
                    setHover(control);
            });
        } else {
            setHover(m_none);
            m_work.cancel();
        }
    }

    void setHover(Control control) {
        m_hover = control;
        for (const auto &[c, tooltip] : m_tooltips)
            tooltip->setShow(c == control);
    }

    // No bubble now, and the pending one never comes.
    void cancel() {
        m_work.cancel();
        setHover(m_none);
    }

    void setSide(Qt::Alignment side) {
        for (const auto &[c, tooltip] : m_tooltips)
            tooltip->setSide(side);
    }

private:
    DelayedWork &m_work;
    const Control m_none;
    Control m_hover;
    std::map<Control, TooltipModifier *> m_tooltips;
};

} // namespace qn
