#pragma once
#include <QAbstractButton>
#include <QLabel>
#include <QPainterPath>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <optional>

namespace qn {

// The content of one tray notification: an optional emoji, then the notice's row of
// texts and buttons, on a speech bubble whose tip points at the tray icon. Always
// 46 high (a 40-high row under the 6-high tip); as wide as its content + 28.
class TrayNotification : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 46;
    static constexpr int kTip = 6;

    TrayNotification(const std::optional<QString> &emoji, QWidget *content, QWidget *parent = nullptr);

    // Where the tip sits along the top (or, pointing down, the bottom) edge; the
    // middle unless the notice had to move to stay on the screen.
    void setTip(qreal x, bool pointsDown);
    qreal tipX() const { return m_tipX < 0 ? width() * 0.5 : m_tipX; }
    bool tipPointsDown() const { return m_tipDown; }
    bool dark() const { return m_dark; }

    // The bubble's outline in a rectangle of `size`.
    static QPainterPath bubblePath(QSizeF size, qreal tipX, bool pointsDown);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void relayout();

    qreal m_tipX = -1;
    bool m_tipDown = false;
    bool m_dark = false;
    bool m_translucent = false;
};

// A text-only button of a notice: its title underlined, in the notice's text colour.
class NoticeButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit NoticeButton(const QString &title, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The pieces ready-made notices are built from.
namespace notice {
// A text in the notices' text style.
QLabel *text(const QString &text);
// A button; `action` runs after the click has been handled, on the next turn of the
// event loop, so it may replace the notice that holds the button.
NoticeButton *button(const QString &title, std::function<void()> action);
// "  |  " between two buttons.
QLabel *separator();
// The pieces left to right, centred, without spacing.
QWidget *row(std::initializer_list<QWidget *> pieces);
// What a notice says, pieces joined as they are shown (for diagnostics and tests).
QString textOf(const QWidget *content);
} // namespace notice

} // namespace qn
