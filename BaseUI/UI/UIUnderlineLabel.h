#pragma once

#include "BaseUI/UI/UILabel.h"

// A label styled as a link: accent-coloured 18-point text on light grey, with
// a 1-point accent bar under it reaching 5 points past each side. A label
// loaded from an archive keeps the plain label's look.
class UIUnderlineLabel : public UILabel {
public:
    using UILabel::UILabel;

protected:
    void didInit() override;
};
