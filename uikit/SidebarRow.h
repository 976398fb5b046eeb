#pragma once
// One row of a settings sidebar: its title at the left, 28 high, as wide as the menu;
// the row of the page on show has a faint rounded fill. The whole row takes clicks.
#include <QAbstractButton>

namespace qn {

class SidebarRow : public QAbstractButton {
    Q_OBJECT
public:
    // The title is fixed at creation.
    explicit SidebarRow(const QString &title, bool active = false, QWidget *parent = nullptr);

    QString title() const { return text(); }
    bool isActive() const { return m_active; }
    void setActive(bool active);
    // The fill behind the row: 10 % #282828 while active, clear otherwise.
    QColor fillColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int kHeight = 28;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_active;
};

// The row under its menu-item name.
using MenuNavigationItem = SidebarRow;

} // namespace qn
