#pragma once
#include "annotation/Tool.h"

class QWidget;

namespace qn {

// Everything the editor chrome can ask of the overlay: the outputs, closing, the
// tool choice, undo/redo and the whiteboard. The overlay controller implements it.
class ChromeActions {
public:
    virtual ~ChromeActions() = default;

    // `ask`: confirm first when something would be lost.
    virtual void requestClose(bool ask) = 0;
    virtual void saveImageAction() = 0;
    virtual void saveVideoAction() = 0;
    virtual void copyAsTextAction() = 0;
    virtual void copyAction() = 0;
    virtual void uploadAction() = 0;
    virtual void selectTool(Tool tool) = 0;
    virtual void undo() = 0;
    virtual void redo() = 0;
    virtual void toggleWhiteboard() = 0;
    // The colour palette shown by the tool column's colour swatch; null shows none.
    virtual QWidget *makeColorsPalette(QWidget *parent) = 0;
};

} // namespace qn
