#include "icc.h"

#include "resources.h"

namespace krv {

icc::icc() : form(frame_style::none) {
    setWindowTitle(QStringLiteral("Form1"));
    for (int i = 0; i < static_cast<int>(ccb.size()); ++i) {
        ccb[i] = new picture_control(this);
        place(ccb[i], {120.0f + 645.0f * static_cast<float>(i), 120, 645, 585});
        ccb[i]->set_picture(
            pictures::sharp(pictures::border[static_cast<std::size_t>(i)], devicePixelRatioF()));
        add_to_control_array(*ccb[i], QStringLiteral("ccb"), i);
    }
}

} // namespace krv
