#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Layout/ConstraintItem.h"
#include "Platform/QuartzCore/CGGeometry.h"

// The SnapKit-style maker handed to makeConstraints():
//
//     snp(bar).makeConstraints([&](ConstraintMaker& make) {
//         make.leading.equalTo(snp(label).leading()).offset(-5);
//         make.height.equalTo(1);
//     });
//
// Each `make.<attribute>.equalTo(...)` describes one constraint of the view;
// they are made and activated when the closure returns.
class ConstraintMaker {
public:
    class Editable {
    public:
        Editable& offset(CGFloat amount)
        {
            m_offset += amount;
            return *this;
        }

    private:
        friend class ConstraintMaker;
        NSLayoutAttribute m_attribute = NSLayoutAttribute::notAnAttribute;
        std::optional<ConstraintItem> m_target;
        CGFloat m_offset = 0;
    };

    class Extendable {
    public:
        Extendable(ConstraintMaker& maker, NSLayoutAttribute attribute)
            : m_maker(maker), m_attribute(attribute)
        {
        }
        Extendable(const Extendable&) = delete;
        Extendable& operator=(const Extendable&) = delete;

        Editable& equalTo(const ConstraintItem& item);
        // The same attribute of another view.
        Editable& equalTo(const std::shared_ptr<NSView>& view);
        // A width or height of that many points; any other attribute that far
        // from the same attribute of the superview.
        Editable& equalTo(CGFloat constant);

    private:
        ConstraintMaker& m_maker;
        NSLayoutAttribute m_attribute;
    };

    explicit ConstraintMaker(std::shared_ptr<NSView> view);
    ConstraintMaker(const ConstraintMaker&) = delete;
    ConstraintMaker& operator=(const ConstraintMaker&) = delete;

    Extendable left{*this, NSLayoutAttribute::left};
    Extendable right{*this, NSLayoutAttribute::right};
    Extendable top{*this, NSLayoutAttribute::top};
    Extendable bottom{*this, NSLayoutAttribute::bottom};
    Extendable leading{*this, NSLayoutAttribute::leading};
    Extendable trailing{*this, NSLayoutAttribute::trailing};
    Extendable width{*this, NSLayoutAttribute::width};
    Extendable height{*this, NSLayoutAttribute::height};
    Extendable centerX{*this, NSLayoutAttribute::centerX};
    Extendable centerY{*this, NSLayoutAttribute::centerY};

    // Makes and activates the described constraints.
    std::vector<std::shared_ptr<NSLayoutConstraint>> install();

private:
    Editable& describe(NSLayoutAttribute attribute, std::optional<ConstraintItem> target, CGFloat constant);

    std::shared_ptr<NSView> m_view;
    // A deque keeps the references handed out valid as it grows.
    std::deque<Editable> m_descriptions;
};
