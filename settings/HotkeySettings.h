#pragma once
#include "settings/SettingsPage.h"

#include <QList>

namespace qn {

class ShortcutRegistry;

// The "Hotkeys" page: a reference card of the keyboard commands. Only the first
// row is live: the screenshot shortcut as the registry has it now.
class HotkeySettings : public SettingsPage {
    Q_OBJECT
public:
    struct Hotkey {
        QString title;
        QString hotkey;
    };

    explicit HotkeySettings(ShortcutRegistry *registry = nullptr, QWidget *parent = nullptr);

    // The rows, built afresh from the registry.
    static QList<Hotkey> hotkeys(const ShortcutRegistry &registry);
    QList<Hotkey> shownRows() const { return m_rows; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void rebuild();

    ShortcutRegistry &m_registry;
    QWidget *m_list;
    QList<Hotkey> m_rows;
};

} // namespace qn
