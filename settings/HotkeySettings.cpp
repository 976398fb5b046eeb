#include "settings/HotkeySettings.h"

#include "platform/Diagnostics.h"
#include "platform/ShortcutRegistry.h"
#include "uikit/Color.h"
#include "uikit/Divider.h"
#include "uikit/KitLabel.h"
#include "uikit/MorvaneGroupBox.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace qn {

namespace {
// One striped row: white for even indexes, #F6F6F6 for odd ones.
class HotkeyRow : public QWidget {
public:
    HotkeyRow(const HotkeySettings::Hotkey &hotkey, int index) : m_index(index) {
        setFixedHeight(24);
        auto *row = new QHBoxLayout(this);
        row->setContentsMargins(8, 0, 8, 0);
        row->setSpacing(0);
        auto *title = new KitLabel(hotkey.title, TextStyle::contentS(), Color::Gray::hex282828());
        auto *keys = new KitLabel(hotkey.hotkey, TextStyle::contentS(), Color::Gray::hex282828());
        keys->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (index == 0)
            keys->setObjectName(QStringLiteral("takeScreenshotKeys"));
        row->addWidget(title);
        row->addStretch(1);
        row->addWidget(keys);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.fillRect(rect(), m_index % 2 == 0 ? Color::Gray::hexFFFFFF() : Color::Gray::hexF6F6F6());
    }

private:
    int m_index;
};

// The list reaches the group box's edges and is clipped to its rounded corners.
class RoundedList : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override {}
    void resizeEvent(QResizeEvent *event) override {
        QWidget::resizeEvent(event);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 5, 5);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    }
};
} // namespace

HotkeySettings::HotkeySettings(ShortcutRegistry *registry, QWidget *parent)
    : SettingsPage(QStringLiteral("Hotkeys"), QStringLiteral("Hotkeys"), QString(), 7, 20, parent),
      m_registry(registry ? *registry : ShortcutRegistry::shared()), m_list(new RoundedList()) {
    auto *box = new MorvaneGroupBox();
    box->setContentMargins(QMargins(0, 0, 0, 0));
    box->setContent(m_list);
    body()->addWidget(box);
    rebuild();
    connect(&m_registry, &ShortcutRegistry::shortcutChanged, this, [this](const QString &name) {
        if (name == ShortcutRegistry::Name::openScreenshot)
            rebuild();
    });
}

QList<HotkeySettings::Hotkey> HotkeySettings::hotkeys(const ShortcutRegistry &registry) {
    const auto keys = [&](const QString &name) { return registry.shortcut(name).toString(QKeySequence::NativeText); };
    return {
        {QStringLiteral("Take Screenshot:"), keys(ShortcutRegistry::Name::openScreenshot)},
        {QStringLiteral("Exit from the quillnest:"), QStringLiteral("Esc")},
        {QStringLiteral("Move the selection area:"), QStringLiteral("Select area and hold Space")},
        {QStringLiteral("Proportional scaling of objects:"), QStringLiteral("Hold down Shift while drawing an object")},
        {QStringLiteral("Comment tool:"), QStringLiteral("C")},
        {QStringLiteral("Whiteboard tool:"), QStringLiteral("W")},
        {QStringLiteral("Changing the color in the Whiteboard tool:"), QStringLiteral("Pressing W again")},
        {QStringLiteral("Text tool:"), QStringLiteral("T")},
        {QStringLiteral("Pencil tool:"), QStringLiteral("P")},
        {QStringLiteral("Arrow tool:"), QStringLiteral("A")},
        {QStringLiteral("Line tool:"), QStringLiteral("L")},
        {QStringLiteral("Rectangle tool:"), QStringLiteral("R")},
        {QStringLiteral("Oval tool:"), QStringLiteral("O")},
        {QStringLiteral("Blured rectangle tool:"), QStringLiteral("B")},
        {QStringLiteral("Undo:"), keys(ShortcutRegistry::Name::undo)},
        {QStringLiteral("Redo:"), keys(ShortcutRegistry::Name::redo)},
    };
}

void HotkeySettings::showEvent(QShowEvent *event) {
    rebuild();
    SettingsPage::showEvent(event);
}

void HotkeySettings::rebuild() {
    m_rows = hotkeys(m_registry);
    qDeleteAll(m_list->findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
    delete m_list->layout();
    auto *column = new QVBoxLayout(m_list);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *note = new KitLabel(QStringLiteral("Currently, only Take Screenshot command can be configured. \nGo to the "
                                             "Settings option in the left menu."),
                              TextStyle::contentXS(), Color::Gray::hex505050());
    auto *noteBox = new QWidget();
    auto *noteLayout = new QVBoxLayout(noteBox);
    noteLayout->setContentsMargins(10, 10, 10, 10);
    noteLayout->addWidget(note);
    column->addWidget(noteBox);
    auto *rule = new Divider(Color::Button::hexE7E7E7(), 0, 0.5);
    column->addWidget(rule);
    for (int i = 0; i < m_rows.size(); ++i)
        column->addWidget(new HotkeyRow(m_rows[i], i));
    diagnostics::print(diagnostics::hotkeysFirstRow(m_rows.value(0).hotkey));
    reportControls();
}

} // namespace qn
