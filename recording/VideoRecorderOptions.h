#pragma once
#include "uikit/ColorScheme.h"

#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>

class QAbstractButton;

namespace qn {

class DrawViewModel;
class MVPopoverModyfier;
class RecorderSettings;

// The card in the middle of the crop area while the video tool is chosen and no
// recording runs: "Record Video" under its icon and an "Options" button that opens
// the recorder settings beside it.
class VideoRecorderOptions : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 164;
    static constexpr int kHeight = 118;

    VideoRecorderOptions(ColorScheme scheme, std::function<RecorderSettings *()> makeSettings,
                         QWidget *parent = nullptr);

    bool showSettings() const { return m_showSettings; }
    void setShowSettings(bool show);
    QAbstractButton *optionsButton() const { return m_options; }
    QWidget *settingsPanel() const;
    static QColor optionsForeground(ColorScheme scheme);
    static QColor popoverBackground(ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ColorScheme m_scheme;
    QAbstractButton *m_options = nullptr;
    MVPopoverModyfier *m_popover = nullptr;
    bool m_showSettings = false;
};

// Keeps the options card centred on the crop area: on the settled one, else on
// the one being dragged (then invisible).
class VideoRecorderOprionsWrapper : public QWidget {
    Q_OBJECT
public:
    struct Placement {
        QRect frame; // the card's frame in the host's coordinates
        bool visible;
    };
    static Placement placement(const QRectF &croppArea, const QRectF &tempCroppArea);

    VideoRecorderOprionsWrapper(DrawViewModel *editor, ColorScheme scheme,
                                std::function<RecorderSettings *()> makeSettings, QWidget *host);
    VideoRecorderOptions *card() const { return m_card; }

Q_SIGNALS:
    void placed();

private:
    void place();
    QPointer<DrawViewModel> m_editor;
    VideoRecorderOptions *m_card;
};

} // namespace qn
