#pragma once
#include <QObject>
#include <QString>

class QWidget;

namespace qn {

// Tells the end-to-end tests where a window's controls are, since X11 cannot see
// child widgets: one diagnostic line
//   <prefix> name=x,y,w,h name=x,y,w,h …
// with every visible descendant of `root` that has an object name, in coordinates of
// its window's client area. Reports are coalesced: many requests in one turn of the
// event loop print one line, after the layouts have settled.
class ControlsReport : public QObject {
    Q_OBJECT
public:
    ControlsReport(QWidget *root, QString prefix);
    void request();
    // The line as it would be printed now.
    QString line() const;

private:
    QWidget *m_root;
    QString m_prefix;
    bool m_pending = false;
};

} // namespace qn
