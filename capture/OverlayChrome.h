#pragma once
#include "editor_ui/ChromeActions.h"
#include "editor_ui/DrawPanels.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace qn {

class ChromeState;
class DrawCore;
class DrawView;

// The editor chrome of one overlay view: the action bar and the tool column beside
// the crop area. It keeps the chrome's state in step with the shared models (the
// crop area only on the crop screen), hands the chrome's requests to the overlay
// controller, writes the cursor tracking back, and gives the bars the editor's
// light or dark scheme.
class OverlayChrome : public QObject, public ChromeActions {
    Q_OBJECT
public:
    OverlayChrome(DrawCore &core, DrawView *view);
    ~OverlayChrome() override;

    DrawPanels *panels() const { return m_panels; }
    ChromeState *state() const { return m_state; }

    // ChromeActions
    void requestClose(bool ask) override;
    void saveImageAction() override;
    void saveVideoAction() override;
    void copyAsTextAction() override;
    void copyAction() override;
    void uploadAction() override;
    void selectTool(Tool tool) override;
    void undo() override;
    void redo() override;
    void toggleWhiteboard() override;
    QWidget *makeColorsPalette(QWidget *parent) override;

private:
    void feedCropArea();
    void applyScheme();
    void reportPlacement();

    DrawCore &m_core;
    QPointer<DrawView> m_view;
    ChromeState *m_state;
    QPointer<DrawPanels> m_panels;
    QString m_lastPlacement;
};

} // namespace qn
