#include "cloud/CommentPoint.h"

namespace qn {

QList<CommentPoint> commentPointsOf(const QList<ToolPtr> &tools) {
    // The editor has no comment-point objects yet: nothing on a capture carries a
    // number and a comment, so an upload sends none.
    Q_UNUSED(tools);
    return {};
}

} // namespace qn
