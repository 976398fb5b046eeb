#pragma once
#include "annotation/QNColor.h"
#include "annotation/Tool.h"

#include <QObject>

namespace qn {

class PreferencesStore;

// The editor state shared by the overlay, the tools and the editor chrome.
// "tool", "quickTool" and "color" persist; everything else lives for one capture.
class DrawViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(qn::Tool tool READ tool WRITE setTool NOTIFY toolChanged)
    Q_PROPERTY(qn::Tool quickTool READ quickTool WRITE setQuickTool NOTIFY quickToolChanged)
    Q_PROPERTY(qn::QNColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    explicit DrawViewModel(PreferencesStore &store, QObject *parent = nullptr);

    Tool tool() const { return m_tool; }
    Tool quickTool() const { return m_quickTool; }
    QNColor color() const { return m_color; }

    // Every write stores the value, also when it equals the current one.
    void setTool(Tool tool);
    void setQuickTool(Tool tool);
    void setColor(const QNColor &color);

Q_SIGNALS:
    void toolChanged();
    void quickToolChanged();
    void colorChanged();

private:
    Tool loadTool(const char *key, Tool fallback) const;
    QNColor loadColor() const;

    PreferencesStore &m_store;
    Tool m_tool;
    Tool m_quickTool;
    QNColor m_color;
};

} // namespace qn
