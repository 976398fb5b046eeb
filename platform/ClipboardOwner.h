#pragma once
#include <QByteArray>
#include <memory>

namespace qn {

// Owns CLIPBOARD with a PNG from an X connection and thread of its own, so a paste
// of a 13 MB screen picture (read in many increments) never waits for, or holds up,
// the GUI thread. Anything Qt's clipboard sets later (a text, a link) takes the
// selection over as usual and the picture is dropped.
//
// Without an X11 display, or when the selection cannot be taken with the time of the
// user's last key or click, the picture goes through QClipboard as before.
class ClipboardOwner {
public:
    static ClipboardOwner &shared();
    ~ClipboardOwner();

    void setPng(const QByteArray &png);

    // Whether this object's own connection holds CLIPBOARD with a picture now.
    bool holdsPicture() const;

    // The largest property written in one piece; larger pictures go in increments.
    static constexpr int kLargestPiece = 1 << 20;

private:
    ClipboardOwner();
    void handOverToQt();

    struct Server;
    std::unique_ptr<Server> m_server;
};

} // namespace qn
