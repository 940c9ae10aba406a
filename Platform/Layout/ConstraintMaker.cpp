#include "Platform/Layout/ConstraintMaker.h"

#include "Platform/AppKit/NSView.h"

ConstraintMaker::Editable& ConstraintMaker::Extendable::equalTo(const ConstraintItem& item)
{
    return m_maker.describe(m_attribute, item, 0);
}

ConstraintMaker::Editable& ConstraintMaker::Extendable::equalTo(const std::shared_ptr<NSView>& view)
{
    return m_maker.describe(m_attribute, ConstraintItem{view, m_attribute}, 0);
}

ConstraintMaker::Editable& ConstraintMaker::Extendable::equalTo(CGFloat constant)
{
    bool size = m_attribute == NSLayoutAttribute::width || m_attribute == NSLayoutAttribute::height;
    if (size)
        return m_maker.describe(m_attribute, std::nullopt, constant);
    return m_maker.describe(m_attribute, ConstraintItem{m_maker.m_view->superview(), m_attribute}, constant);
}

ConstraintMaker::ConstraintMaker(std::shared_ptr<NSView> view)
    : m_view(std::move(view))
{
}

ConstraintMaker::Editable& ConstraintMaker::describe(NSLayoutAttribute attribute, std::optional<ConstraintItem> target,
                                                     CGFloat constant)
{
    auto& description = m_descriptions.emplace_back();
    description.m_attribute = attribute;
    description.m_target = std::move(target);
    description.m_offset = constant;
    return description;
}

std::vector<std::shared_ptr<NSLayoutConstraint>> ConstraintMaker::install()
{
    m_view->setTranslatesAutoresizingMaskIntoConstraints(false);
    std::vector<std::shared_ptr<NSLayoutConstraint>> constraints;
    for (const auto& description : m_descriptions) {
        auto target = description.m_target.value_or(ConstraintItem{});
        constraints.push_back(NSLayoutConstraint::make(m_view, description.m_attribute, target.view, target.attribute, 1,
                                                       description.m_offset));
    }
    NSLayoutConstraint::activate(constraints);
    return constraints;
}
