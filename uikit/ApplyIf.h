#pragma once
// Runs a transform on a value only when a condition holds; used to style widgets
// conditionally in one expression: applyIf(plain, button, [](auto *b) { ...; return b; }).
#include <utility>

namespace qn {

template <typename T, typename Transform> T applyIf(bool condition, T value, Transform &&transform) {
    if (!condition)
        return value;
    return std::forward<Transform>(transform)(std::move(value));
}

} // namespace qn
