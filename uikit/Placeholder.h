#pragma once
// A widget laid over another (for hints over an empty view), placed by an alignment,
// shown only while a condition holds and never taking clicks.
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace qn {

class PlaceholderOverlay : public QObject {
    Q_OBJECT
public:
    // `placeholder` becomes a child of `target`, which owns both the overlay and it.
    PlaceholderOverlay(QWidget *target, QWidget *placeholder, Qt::Alignment alignment, bool shown);
    void setShown(bool shown);
    bool isShown() const { return m_shown; }
    QWidget *placeholder() const { return m_placeholder; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QPointer<QWidget> m_target;
    QPointer<QWidget> m_placeholder;
    Qt::Alignment m_alignment;
    bool m_shown;
};

PlaceholderOverlay *placeholder(QWidget *target, bool when, Qt::Alignment alignment, QWidget *placeholder);

} // namespace qn
