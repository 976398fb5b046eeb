#pragma once

namespace qn {

// The eight handle positions of a rectangle, with the raw values stored with
// comment points.
enum class CornerType {
    BottomLeft = 1,
    BottomRight = 2,
    TopLeft = 3,
    TopRight = 4,
    Top = 5,
    Bottom = 6,
    Left = 7,
    Right = 8
};

} // namespace qn
