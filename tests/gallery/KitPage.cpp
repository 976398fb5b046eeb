// The kit's pages of the gallery: every component in light and dark, and two
// settings windows.
#include "GalleryPages.h"
#include "uikit/BundleInfo.h"
#include "uikit/Color.h"
#include "uikit/Divider.h"
#include "uikit/EffectView.h"
#include "uikit/FocusIndex.h"
#include "uikit/InvisibleScroller.h"
#include "uikit/KitLabel.h"
#include "uikit/MorvaneButton.h"
#include "uikit/MorvaneGroupBox.h"
#include "uikit/MorvaneTextArea.h"
#include "uikit/MorvaneTextField.h"
#include "uikit/Placeholder.h"
#include "uikit/RoundedCorners.h"
#include "uikit/SettingsTemplate.h"
#include "uikit/SidebarRow.h"
#include "uikit/WindowBackground.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace qn;

namespace {

KitLabel *caption(const QString &text, ColorScheme scheme) {
    return new KitLabel(text, TextStyle::contentXS(),
                        scheme == ColorScheme::Light ? Color::Gray::hex505050() : Color::Gray::hexB7B7B7());
}

QWidget *typeScale(ColorScheme scheme) {
    auto *box = new QWidget;
    auto *grid = new QVBoxLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    const QColor ink = scheme == ColorScheme::Light ? Color::Gray::hex282828() : Color::Gray::hexF6F6F6();
    const QList<QPair<QString, TextStyle>> styles = {
        {QStringLiteral("hero 20 light"), TextStyle::hero()},
        {QStringLiteral("contentL 16"), TextStyle::contentL()},
        {QStringLiteral("contentM 15"), TextStyle::contentM()},
        {QStringLiteral("contentMUnderlined 15"), TextStyle::contentMUnderlined()},
        {QStringLiteral("buttonsAndForms 14"), TextStyle::buttonsAndForms()},
        {QStringLiteral("contentS 13"), TextStyle::contentS()},
        {QStringLiteral("contentSUnderlined 13"), TextStyle::contentSUnderlined()},
        {QStringLiteral("contentXS 11"), TextStyle::contentXS()},
        {QStringLiteral("contentXSUnderlined 11"), TextStyle::contentXSUnderlined()},
    };
    for (const auto &[name, style] : styles)
        grid->addWidget(new KitLabel(name, style, ink));
    auto *loose = new KitLabel(QStringLiteral("contentMLoose: two lines\nwith 9 between them"), TextStyle::contentMLoose(), ink);
    grid->addWidget(loose);
    grid->addWidget(new KitLabel(QStringLiteral("display 56"), TextStyle::display(), ink));
    return box;
}

MorvaneButton *button(const QString &text, MorvaneButtonType type, ColorScheme scheme, const QString &state) {
    auto *b = new MorvaneButton(text, type, scheme);
    b->setFixedSize(104, 32);
    if (state == QLatin1String("hovered"))
        b->setHovered(true);
    else if (state == QLatin1String("pressed"))
        b->setDown(true);
    else if (state == QLatin1String("disabled"))
        b->setEnabled(false);
    return b;
}

QWidget *buttons(ColorScheme scheme) {
    auto *box = new QWidget;
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    const QStringList states = {QStringLiteral("normal"), QStringLiteral("hovered"), QStringLiteral("pressed"),
                                QStringLiteral("disabled")};
    const QList<QPair<QString, MorvaneButtonType>> types = {
        {QStringLiteral("Primary"), MorvaneButtonType::Primary},
        {QStringLiteral("Secondary"), MorvaneButtonType::Secondary},
        {QStringLiteral("Toolbar"), MorvaneButtonType::Toolbar},
        {QStringLiteral("Bordered"), MorvaneButtonType::ToolbarBordered},
        {QStringLiteral("Plain"), MorvaneButtonType::Plain},
    };
    for (int c = 0; c < states.size(); ++c)
        grid->addWidget(caption(states[c], scheme), 0, c);
    for (int r = 0; r < types.size(); ++r)
        for (int c = 0; c < states.size(); ++c)
            grid->addWidget(button(types[r].first, types[r].second, scheme, states[c]), r + 1, c);
    return box;
}

QWidget *inputs(ColorScheme scheme) {
    auto *box = new QWidget;
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(8);
    auto field = [scheme](const QString &text, bool error, bool disabled, MorvaneTextViewType type) {
        auto *f = new MorvaneTextField(QStringLiteral("Placeholder"), type);
        f->setColorScheme(scheme);
        f->setText(text);
        f->setError(error);
        f->setEnabled(!disabled);
        f->setFixedSize(200, 32);
        return f;
    };
    grid->addWidget(caption(QStringLiteral("empty"), scheme), 0, 0);
    grid->addWidget(field({}, false, false, MorvaneTextViewType::Primary), 1, 0);
    grid->addWidget(caption(QStringLiteral("text"), scheme), 0, 1);
    grid->addWidget(field(QStringLiteral("Typed text"), false, false, MorvaneTextViewType::Primary), 1, 1);
    grid->addWidget(caption(QStringLiteral("error"), scheme), 2, 0);
    grid->addWidget(field(QStringLiteral("Wrong value"), true, false, MorvaneTextViewType::Primary), 3, 0);
    grid->addWidget(caption(QStringLiteral("disabled"), scheme), 2, 1);
    grid->addWidget(field(QStringLiteral("Disabled"), false, true, MorvaneTextViewType::Primary), 3, 1);
    grid->addWidget(caption(QStringLiteral("plain"), scheme), 4, 0);
    grid->addWidget(field(QStringLiteral("Plain field"), false, false, MorvaneTextViewType::Plain), 5, 0);
    auto *editing = field(QStringLiteral("Being edited"), false, false, MorvaneTextViewType::Primary);
    editing->setObjectName(QStringLiteral("editing"));
    grid->addWidget(caption(QStringLiteral("editing (has focus)"), scheme), 4, 1);
    grid->addWidget(editing, 5, 1);
    auto *area = new MorvaneTextArea(QStringLiteral("A longer note, on several lines"));
    area->setColorScheme(scheme);
    area->setFixedSize(200, 84);
    grid->addWidget(caption(QStringLiteral("area, empty"), scheme), 6, 0);
    grid->addWidget(area, 7, 0);
    auto *filled = new MorvaneTextArea(QStringLiteral("Placeholder"));
    filled->setColorScheme(scheme);
    filled->setText(QStringLiteral("First line of a note\nSecond line, 5 below"));
    filled->setFixedSize(200, 84);
    grid->addWidget(caption(QStringLiteral("area, text"), scheme), 6, 1);
    grid->addWidget(filled, 7, 1);
    return box;
}

QWidget *shapes(ColorScheme scheme) {
    auto *box = new QWidget;
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    auto *list = new QWidget;
    auto *listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    listLayout->addWidget(new KitLabel(QStringLiteral("Group box content"), TextStyle::contentXS(), Color::Gray::hex505050()));
    listLayout->addWidget(new Divider(Color::Button::hexE7E7E7(), 0, 1));
    listLayout->addWidget(new KitLabel(QStringLiteral("Second row"), TextStyle::contentS(), Color::Gray::hex282828()));
    auto *group = new MorvaneGroupBox(QStringLiteral("Group box"), list);
    group->setFixedWidth(200);
    row->addWidget(group, 0, Qt::AlignTop);

    auto *corners = new QWidget;
    corners->setFixedSize(80, 50);
    corners->setAutoFillBackground(true);
    QPalette p = corners->palette();
    p.setColor(QPalette::Window, Color::Quillnest::hex1C6AFF());
    corners->setPalette(p);
    setCornerRadius(corners, 14, RectCorner::topLeft | RectCorner::bottomRight);
    row->addWidget(corners, 0, Qt::AlignTop);

    auto *dividers = new QWidget;
    dividers->setFixedSize(80, 50);
    auto *dl = new QHBoxLayout(dividers);
    dl->setContentsMargins(0, 0, 0, 0);
    dl->addWidget(new Divider(Color::AppPlah::hex7C7C7COpacity30(), 1, 0));
    dl->addWidget(new Divider(Color::Base::hexD70202(), 0.5, 0));
    dl->addWidget(new Divider(scheme == ColorScheme::Light ? Color::Gray::hex282828() : Color::Gray::hexF6F6F6(), 0, 0));
    row->addWidget(dividers, 0, Qt::AlignTop);

    auto *effect = new MorvaneEffectView(EffectMaterial::Popover, EffectBlendingMode::WithinWindow,
                                         EffectViewType::LightDark, scheme);
    effect->setFixedSize(60, 50);
    row->addWidget(effect, 0, Qt::AlignTop);

    // Scrolls by wheel with no bar to see.
    auto *scroller = new QScrollArea;
    scroller->setFixedSize(120, 50);
    scroller->setFrameShape(QFrame::NoFrame);
    auto *lines = new KitLabel(QStringLiteral("Scroll me\nwithout\nany bar\nin sight"), TextStyle::contentXS());
    scroller->setWidget(lines);
    InvisibleScroller::applyTo(scroller);
    row->addWidget(scroller, 0, Qt::AlignTop);

    // An empty box with a hint laid over it.
    auto *empty = new QWidget;
    empty->setFixedSize(120, 50);
    placeholder(empty, true, Qt::AlignCenter,
                new KitLabel(QStringLiteral("Nothing yet"), TextStyle::contentXS(), Color::Gray::hex8D8D8D()));
    row->addWidget(empty, 0, Qt::AlignTop);
    row->addStretch();
    return box;
}

QWidget *panel(ColorScheme scheme) {
    auto *w = new QWidget;
    setPreferredColorScheme(w, scheme);
    w->setAutoFillBackground(true);
    auto *col = new QVBoxLayout(w);
    col->setContentsMargins(20, 16, 20, 16);
    col->setSpacing(10);
    const QColor ink = scheme == ColorScheme::Light ? Color::Gray::hex282828() : Color::Gray::hexF6F6F6();
    col->addWidget(new KitLabel(scheme == ColorScheme::Light ? QStringLiteral("Light") : QStringLiteral("Dark"),
                                TextStyle::hero(), ink));
    auto *top = new QHBoxLayout;
    top->setSpacing(24);
    top->addWidget(typeScale(scheme), 0, Qt::AlignTop);
    top->addWidget(buttons(scheme), 0, Qt::AlignTop);
    col->addLayout(top);
    col->addWidget(new Divider(Color::AppPlah::hex7C7C7COpacity30(), 0, 1));
    col->addWidget(inputs(scheme));
    col->addWidget(new Divider(Color::AppPlah::hex7C7C7COpacity30(), 0, 1));
    col->addWidget(shapes(scheme));
    col->addStretch();
    return w;
}

QWidget *settingsWindow(ColorScheme sidebarScheme) {
    auto *menu = new QWidget;
    auto *rows = new QVBoxLayout(menu);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    const QStringList pages = {QStringLiteral("Account"), QStringLiteral("Notifications"), QStringLiteral("Appearance"),
                               QStringLiteral("Settings"), QStringLiteral("Hotkeys"), QStringLiteral("About")};
    QList<SidebarRow *> all;
    for (int i = 0; i < pages.size(); ++i) {
        auto *row = new SidebarRow(pages[i], i == 2);
        rows->addWidget(row);
        all << row;
    }
    for (SidebarRow *row : all)
        QObject::connect(row, &SidebarRow::clicked, row, [all, row] {
            for (SidebarRow *r : all)
                r->setActive(r == row);
        });
    auto *content = new QWidget;
    auto *cl = new QVBoxLayout(content);
    cl->setContentsMargins(20, 29, 20, 20);
    cl->addWidget(new KitLabel(QStringLiteral("Appearance"), TextStyle::contentL(), Color::Gray::hex282828()));
    auto *box = new QWidget;
    auto *bl = new QVBoxLayout(box);
    bl->setContentsMargins(0, 0, 0, 0);
    bl->setSpacing(6);
    auto *note = new KitLabel(QStringLiteral("Every preference is stored at once. This note wraps to the width of its "
                                             "group box and keeps 3 pixels between its lines."),
                              TextStyle::contentXS(), Color::Gray::hex505050());
    note->setWordWrap(true);
    bl->addWidget(note);
    cl->addWidget(new MorvaneGroupBox(QStringLiteral("Watermark"), box));
    auto *buttons = new QHBoxLayout;
    auto *reset = new MorvaneButton(QStringLiteral("Reset"), MorvaneButtonType::Secondary);
    reset->setFixedSize(96, 24);
    auto *signIn = new MorvaneButton(QStringLiteral("Sign In"), MorvaneButtonType::Primary);
    signIn->setFixedSize(144, 36);
    buttons->addWidget(reset);
    buttons->addWidget(signIn);
    buttons->addStretch();
    cl->addLayout(buttons);
    auto *field = new MorvaneTextField(QStringLiteral("Email"));
    field->setFixedSize(240, 32);
    cl->addWidget(field);
    cl->addStretch();
    auto *t = new SettingsTemplate(sidebarScheme, BundleInfo::main().appName().value_or(QStringLiteral("Settings")), menu, content);
    t->setWindowTitle(QStringLiteral("Quillnest - Settings (gallery)"));
    t->resize(716, 468);
    return t;
}

} // namespace

namespace qn::gallery {

Page kitPage() {
    auto *gallery = new QWidget;
    gallery->setObjectName(QStringLiteral("gallery"));
    gallery->setWindowTitle(QStringLiteral("Quillnest kit gallery"));
    auto *row = new QHBoxLayout(gallery);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(panel(ColorScheme::Light));
    row->addWidget(panel(ColorScheme::Dark));
    gallery->move(0, 0);
    return {{gallery}, gallery};
}

Page settingsPage() {
    QWidget *light = settingsWindow(ColorScheme::Light);
    light->setObjectName(QStringLiteral("settings-light"));
    light->move(0, 0);
    QWidget *dark = settingsWindow(ColorScheme::Dark);
    dark->setObjectName(QStringLiteral("settings-dark"));
    dark->move(760, 0);
    return {{light, dark}, light};
}

} // namespace qn::gallery
