#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

namespace qn {

// The floating panel of the recorder controls: frameless, without shadow, above
// the overlay, never focused or activated by a click, and dragged anywhere by its
// background. Its owner sets the content and shows it.
class Panel : public QWidget {
    Q_OBJECT
public:
    // `contentRect`: where the panel stands, in global coordinates.
    explicit Panel(const QRect &contentRect);

    using QWidget::close;
    // Hides the panel at once and runs `completion` 0.4 s later (nothing when empty).
    void close(std::function<void()> completion);

    static constexpr int kCloseDelayMs = 400;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    std::optional<QPoint> m_dragOffset;
};

// Holds an owner's one panel. Closing lets the panel go after the close delay and
// empties the slot only if it still holds that panel: a panel shown in the
// meantime stays.
class PanelSlot : public QObject {
    Q_OBJECT
public:
    explicit PanelSlot(QObject *parent = nullptr);
    ~PanelSlot() override;

    Panel *panel() const { return m_panel; }
    // Takes the panel; a panel held before is closed first.
    void set(Panel *panel);
    void close();

private:
    QPointer<Panel> m_panel;
    quint64 m_generation = 0;
};

} // namespace qn
