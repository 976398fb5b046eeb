#pragma once
#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;

namespace qn {

class ControlsReport;
class LinkButton;

// What the settings pages share: the #F6F6F6 ground, margins of 20 at the sides and
// 29 at the top, and a header row with the page's title on the left and, where the
// page has one, its reset link on the right.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    // `resetTitle` empty: no reset link. `headerBottom` is the room under the header.
    SettingsPage(const QString &pageName, const QString &title, const QString &resetTitle, int headerBottom = 7,
                 int bottomMargin = 20, QWidget *parent = nullptr);

    LinkButton *resetLink() const { return m_reset; }
    QVBoxLayout *body() const { return m_body; }
    // Prints where the page's controls are now (coalesced; diagnostics only).
    void reportControls();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    LinkButton *m_reset = nullptr;
    QVBoxLayout *m_body;
    ControlsReport *m_report;
};

} // namespace qn
