#pragma once
// Which of a group of kit text inputs holds the focus. A parent installs an index on
// itself; every input below with the same order number takes the focus whenever the
// index is set to it (also to the value it already has). Without an installed index
// an input reads the default one, which is always 0 and ignores writes.
#include <QObject>
#include <QPointer>

class QWidget;

namespace qn {

class FocusIndex : public QObject {
    Q_OBJECT
    Q_PROPERTY(int selectedIndex READ selectedIndex WRITE setSelectedIndex NOTIFY selectedIndexChanged)
public:
    explicit FocusIndex(int initial = 0, QObject *parent = nullptr);

    int selectedIndex() const { return m_index; }
    void setSelectedIndex(int index);

    // The shared default: reads 0, writes do nothing.
    static FocusIndex *defaultIndex();
    // Makes `index` the one that `ancestor` and every widget inside it read.
    static void install(QWidget *ancestor, FocusIndex *index);
    // The index a widget reads: the nearest one installed on it or an ancestor.
    static FocusIndex *of(const QWidget *widget);

signals:
    void selectedIndexChanged(int index);

private:
    int m_index;
    bool m_fixed = false;
};

// Gives a kit input its order number in the focus index it lives under: the input
// takes the focus when shown, when its order is set and whenever the index is set,
// as long as the two are equal. Nothing else pulls the focus back, so the user can
// always click elsewhere. Install the index before the inputs are shown. Owned by the input.
class FocusIndexFollower : public QObject {
    Q_OBJECT
public:
    explicit FocusIndexFollower(QWidget *input);

    int order() const { return m_order; }
    void setOrder(int order);
    // Takes the focus now when the order equals the index.
    void sync();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attach();

    QWidget *m_input;
    QPointer<FocusIndex> m_index;
    QMetaObject::Connection m_connection;
    int m_order = -1;
};

} // namespace qn
