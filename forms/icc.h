// The picture store of the border pieces: a window that is never shown, created
// on first use and kept for the whole run.
#pragma once

#include "controls.h"
#include "form.h"

#include <array>

namespace krv {

class icc : public form {
    Q_OBJECT
public:
    icc();
    /// The eight pieces: four corners (top-left, top-right, bottom-right,
    /// bottom-left), then the left, top, right and bottom edges.
    std::array<picture_control*, 8> ccb{};
};

} // namespace krv
