#include "Platform/QuartzCore/CABasicAnimation.h"

void CABasicAnimation::apply(std::string_view keyPath, CFTimeInterval parentTime, double& value) const
{
    if (keyPath != this->keyPath())
        return;
    auto local = localTime(parentTime);
    if (!local)
        return;
    double cycles = 0;
    CGFloat eased = progress(*local, &cycles);
    double from = m_fromValue.value_or(value);
    double to = m_toValue.value_or(value);
    double animated = from + (to - from) * eased;
    if (isCumulative())
        animated += cycles * (to - from);
    value = isAdditive() ? value + animated : animated;
}
