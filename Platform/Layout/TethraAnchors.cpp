#include "Platform/Layout/TethraAnchors.h"

#include "Platform/AppKit/NSLayoutConstraint.h"
#include "Platform/AppKit/NSView.h"

using Attribute = NSLayoutAttribute;

TethraAnchors::TethraAnchors(std::shared_ptr<NSView> view)
    : m_view(std::move(view))
{
    m_view->setTranslatesAutoresizingMaskIntoConstraints(false);
}

TethraAnchors& TethraAnchors::add(std::shared_ptr<NSLayoutConstraint> constraint)
{
    constraint->activate();
    m_constraints.push_back(std::move(constraint));
    return *this;
}

TethraAnchors& TethraAnchors::top(CGFloat inset)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::top, m_view->superview(), Attribute::top, 1, inset));
}

TethraAnchors& TethraAnchors::left(CGFloat inset)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::left, m_view->superview(), Attribute::left, 1, inset));
}

TethraAnchors& TethraAnchors::right(CGFloat inset)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::right, m_view->superview(), Attribute::right, 1, -inset));
}

TethraAnchors& TethraAnchors::bottom(CGFloat inset)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::bottom, m_view->superview(), Attribute::bottom, 1, -inset));
}

TethraAnchors& TethraAnchors::width(CGFloat width)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::width, nullptr, Attribute::notAnAttribute, 1, width));
}

TethraAnchors& TethraAnchors::height(CGFloat height)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::height, nullptr, Attribute::notAnAttribute, 1, height));
}

TethraAnchors& TethraAnchors::below(const std::shared_ptr<NSView>& view, CGFloat spacing)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::top, view, Attribute::bottom, 1, spacing));
}

TethraAnchors& TethraAnchors::after(const std::shared_ptr<NSView>& view, CGFloat spacing)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::left, view, Attribute::right, 1, spacing));
}

TethraAnchors& TethraAnchors::widthEqual(const std::shared_ptr<NSView>& view)
{
    return add(NSLayoutConstraint::make(m_view, Attribute::width, view, Attribute::width, 1, 0));
}
