#pragma once

#include <memory>
#include <optional>

#include "Platform/QuartzCore/CAPropertyAnimation.h"

// Moves one numeric property from one value to another over each cycle. A
// missing end takes the value the property has beneath the animation.
class CABasicAnimation : public CAPropertyAnimation {
public:
    explicit CABasicAnimation(std::string keyPath = {})
        : CAPropertyAnimation(std::move(keyPath))
    {
    }

    const std::optional<double>& fromValue() const { return m_fromValue; }
    void setFromValue(std::optional<double> value) { m_fromValue = value; }
    const std::optional<double>& toValue() const { return m_toValue; }
    void setToValue(std::optional<double> value) { m_toValue = value; }

    std::shared_ptr<CAAnimation> copy() const override { return std::make_shared<CABasicAnimation>(*this); }
    void apply(std::string_view keyPath, CFTimeInterval parentTime, double& value) const override;

private:
    std::optional<double> m_fromValue;
    std::optional<double> m_toValue;
};
