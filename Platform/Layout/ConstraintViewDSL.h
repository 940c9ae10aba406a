#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Platform/Layout/ConstraintItem.h"
#include "Platform/Layout/ConstraintMaker.h"

// A view's SnapKit face: its attributes as items to constrain against, and
// makeConstraints() for its own constraints.
class ConstraintViewDSL {
public:
    explicit ConstraintViewDSL(std::shared_ptr<NSView> view)
        : m_view(std::move(view))
    {
    }

    ConstraintItem left() const { return {m_view, NSLayoutAttribute::left}; }
    ConstraintItem right() const { return {m_view, NSLayoutAttribute::right}; }
    ConstraintItem top() const { return {m_view, NSLayoutAttribute::top}; }
    ConstraintItem bottom() const { return {m_view, NSLayoutAttribute::bottom}; }
    ConstraintItem leading() const { return {m_view, NSLayoutAttribute::leading}; }
    ConstraintItem trailing() const { return {m_view, NSLayoutAttribute::trailing}; }
    ConstraintItem width() const { return {m_view, NSLayoutAttribute::width}; }
    ConstraintItem height() const { return {m_view, NSLayoutAttribute::height}; }

    std::vector<std::shared_ptr<NSLayoutConstraint>> makeConstraints(const std::function<void(ConstraintMaker&)>& closure) const
    {
        ConstraintMaker maker(m_view);
        closure(maker);
        return maker.install();
    }

private:
    std::shared_ptr<NSView> m_view;
};

// `view.snp` of SnapKit.
inline ConstraintViewDSL snp(std::shared_ptr<NSView> view)
{
    return ConstraintViewDSL(std::move(view));
}
