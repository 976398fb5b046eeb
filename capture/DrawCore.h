#pragma once
#include <QByteArray>
#include <QObject>

namespace qn {

// The overlay controller: opens one overlay per screen, turns drags into crop areas
// and drawn objects, and runs the output actions.
class DrawCore : public QObject {
    Q_OBJECT
public:
    static DrawCore &shared();

    // Starts a capture; does nothing while one is open.
    void createDrawController();
    // Offers to save already-rendered PNG data through a save dialog.
    void saveImageData(const QByteArray &pngData);
    void undo();
    void redo();

private:
    explicit DrawCore(QObject *parent = nullptr);
};

} // namespace qn
