#include "BaseUI/UI/UIUnderlineLabel.h"

#include "BaseUI/Kit/KitColor.h"
#include "BaseUI/UI/UIView.h"
#include "Platform/Layout/ConstraintViewDSL.h"

void UIUnderlineLabel::didInit()
{
    UILabel::didInit();
    if (isInitializedFromArchive())
        return;
    auto accent = KitColor::rgb(235, 100, 75);
    text().setColor(accent);
    text().setFontSize(18);
    background().setColor(KitColor::rgb(236, 236, 236));

    auto bar = NSView::make<UIView>(CGRect{});
    bar->background().setColor(accent);
    addSubview(bar);
    auto self = shared_from_this();
    snp(bar).makeConstraints([&](ConstraintMaker& make) {
        make.leading.equalTo(snp(self).leading()).offset(-5);
        make.trailing.equalTo(snp(self).trailing()).offset(5);
        make.bottom.equalTo(snp(self).bottom());
        make.height.equalTo(1);
    });
}
