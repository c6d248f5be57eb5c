#pragma once
#include <utility>

namespace rv::forms {

// Stores `value` in `field`; true when that changed it, so that only real changes reach
// the views.
template <class T, class V>
bool assign(T& field, V&& value) {
    if (field == value) return false;
    field = std::forward<V>(value);
    return true;
}

}  // namespace rv::forms
