#include "Platform/AppKit/LayoutSolver.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "Platform/AppKit/NSLayoutConstraint.h"
#include "Platform/AppKit/NSView.h"

namespace {

constexpr double epsilon = 1e-9;

// A linear expression over the unknowns: coefficients and a constant.
struct Linear {
    std::vector<double> coefficients;
    double constant = 0;
};

class System {
public:
    explicit System(size_t unknowns)
        : m_unknowns(unknowns)
    {
    }

    // Adds `expression` = 0. False when it adds nothing new; `conflict` then
    // says whether it contradicts the equations already there.
    bool add(Linear expression, bool* conflict = nullptr)
    {
        for (const auto& row : m_rows) {
            double factor = expression.coefficients[row.pivot];
            if (factor == 0)
                continue;
            for (size_t i = 0; i < m_unknowns; ++i)
                expression.coefficients[i] -= factor * row.expression.coefficients[i];
            expression.constant -= factor * row.expression.constant;
        }
        size_t pivot = 0;
        for (size_t i = 1; i < m_unknowns; ++i) {
            if (std::abs(expression.coefficients[i]) > std::abs(expression.coefficients[pivot]))
                pivot = i;
        }
        if (std::abs(expression.coefficients[pivot]) < epsilon) {
            if (conflict)
                *conflict = std::abs(expression.constant) > 1e-6;
            return false;
        }
        double scale = expression.coefficients[pivot];
        for (auto& coefficient : expression.coefficients)
            coefficient /= scale;
        expression.constant /= scale;
        for (auto& row : m_rows) {
            double factor = row.expression.coefficients[pivot];
            if (factor == 0)
                continue;
            for (size_t i = 0; i < m_unknowns; ++i)
                row.expression.coefficients[i] -= factor * expression.coefficients[i];
            row.expression.constant -= factor * expression.constant;
        }
        m_rows.push_back({pivot, std::move(expression)});
        return true;
    }

    // Unknowns no equation fixes read 0.
    std::vector<double> solution() const
    {
        std::vector<double> values(m_unknowns, 0);
        for (const auto& row : m_rows)
            values[row.pivot] = -row.expression.constant;
        return values;
    }

private:
    struct Row {
        size_t pivot;
        Linear expression;
    };
    size_t m_unknowns;
    std::vector<Row> m_rows;
};

// Vertical positions are measured down from the container's top, flipped or
// not, as the platform's constraints are.
enum Unknown { x = 0, top = 1, width = 2, height = 3 };

class Problem {
public:
    explicit Problem(NSView& container)
        : m_container(container)
    {
        for (const auto& subview : container.subviews()) {
            if (!subview->translatesAutoresizingMaskIntoConstraints()) {
                m_index[subview.get()] = m_views.size();
                m_views.push_back(subview.get());
            }
        }
    }

    bool isEmpty() const { return m_views.empty(); }
    size_t unknowns() const { return m_views.size() * 4; }
    const std::vector<NSView*>& views() const { return m_views; }

    bool belongs(const NSView* view) const
    {
        if (!view || view == &m_container)
            return view != nullptr;
        auto parent = view->superview();
        return parent.get() == &m_container;
    }

    // Whether the constraint is about this container's subviews.
    bool concerns(const NSLayoutConstraint& constraint) const
    {
        auto first = constraint.firstItem();
        auto second = constraint.secondItem();
        if (!belongs(first.get()) || (second && !belongs(second.get())))
            return false;
        return m_index.count(first.get()) || (second && m_index.count(second.get()));
    }

    Linear unknownEquals(size_t view, Unknown unknown, double value) const
    {
        Linear expression{std::vector<double>(unknowns(), 0), -value};
        expression.coefficients[view * 4 + unknown] = 1;
        return expression;
    }

    // first − multiplier × second − constant.
    Linear equation(const NSLayoutConstraint& constraint) const
    {
        Linear expression{std::vector<double>(unknowns(), 0), -constraint.constant()};
        add(expression, constraint.firstItem().get(), constraint.firstAttribute(), 1);
        if (auto second = constraint.secondItem())
            add(expression, second.get(), constraint.secondAttribute(), -constraint.multiplier());
        return expression;
    }

    // Adds factor × view.attribute (x to the right, y down from the top).
    void add(Linear& expression, const NSView* view, NSLayoutAttribute attribute, double factor) const
    {
        auto found = m_index.find(view);
        if (found == m_index.end()) {
            // The container (its bounds) or a subview placed by its frame.
            expression.constant += factor * fixedValue(view, attribute);
            return;
        }
        size_t base = found->second * 4;
        auto term = [&](Unknown unknown, double weight) { expression.coefficients[base + unknown] += factor * weight; };
        switch (attribute) {
        case NSLayoutAttribute::left:
        case NSLayoutAttribute::leading: term(x, 1); break;
        case NSLayoutAttribute::right:
        case NSLayoutAttribute::trailing: term(x, 1), term(width, 1); break;
        case NSLayoutAttribute::width: term(width, 1); break;
        case NSLayoutAttribute::centerX: term(x, 1), term(width, 0.5); break;
        case NSLayoutAttribute::top: term(top, 1); break;
        case NSLayoutAttribute::bottom: term(top, 1), term(height, 1); break;
        case NSLayoutAttribute::centerY: term(top, 1), term(height, 0.5); break;
        case NSLayoutAttribute::height: term(height, 1); break;
        case NSLayoutAttribute::notAnAttribute: break;
        }
    }

    // The top of a rectangle of the container's space, measured down.
    double topOf(const CGRect& rect) const
    {
        return m_container.isFlipped() ? rect.minY() - m_container.bounds().minY() : m_container.bounds().maxY() - rect.maxY();
    }

    double fixedValue(const NSView* view, NSLayoutAttribute attribute) const
    {
        CGRect rect = view == &m_container ? m_container.bounds() : view->frame();
        double top = view == &m_container ? 0 : topOf(rect);
        switch (attribute) {
        case NSLayoutAttribute::left:
        case NSLayoutAttribute::leading: return rect.minX();
        case NSLayoutAttribute::right:
        case NSLayoutAttribute::trailing: return rect.maxX();
        case NSLayoutAttribute::width: return rect.width();
        case NSLayoutAttribute::height: return rect.height();
        case NSLayoutAttribute::centerX: return rect.midX();
        case NSLayoutAttribute::top: return top;
        case NSLayoutAttribute::bottom: return top + rect.height();
        case NSLayoutAttribute::centerY: return top + rect.height() / 2;
        case NSLayoutAttribute::notAnAttribute: break;
        }
        return 0;
    }

    // A solved top back into the container's y.
    double yOf(double top, double height) const
    {
        return m_container.isFlipped() ? m_container.bounds().minY() + top : m_container.bounds().maxY() - top - height;
    }

private:
    NSView& m_container;
    std::vector<NSView*> m_views;
    std::map<const NSView*, size_t> m_index;
};

}  // namespace

void LayoutSolver::layOut(NSView& container)
{
    Problem problem(container);
    if (problem.isEmpty())
        return;
    System system(problem.unknowns());

    std::vector<std::shared_ptr<NSLayoutConstraint>> constraints = container.constraints();
    for (const auto& subview : container.subviews())
        constraints.insert(constraints.end(), subview->constraints().begin(), subview->constraints().end());
    for (const auto& constraint : constraints) {
        if (!problem.concerns(*constraint))
            continue;
        bool conflict = false;
        if (!system.add(problem.equation(*constraint), &conflict) && conflict)
            std::fprintf(stderr, "LayoutSolver: a constraint contradicts the others and is ignored\n");
    }

    // What the constraints leave open: intrinsic sizes first, then the frames.
    const auto& views = problem.views();
    for (size_t index = 0; index < views.size(); ++index) {
        CGSize intrinsic = views[index]->intrinsicContentSize();
        if (intrinsic.width != NSView::noIntrinsicMetric)
            system.add(problem.unknownEquals(index, width, intrinsic.width));
        if (intrinsic.height != NSView::noIntrinsicMetric)
            system.add(problem.unknownEquals(index, height, intrinsic.height));
    }
    for (size_t index = 0; index < views.size(); ++index) {
        const CGRect& frame = views[index]->frame();
        system.add(problem.unknownEquals(index, width, frame.width()));
        system.add(problem.unknownEquals(index, height, frame.height()));
        system.add(problem.unknownEquals(index, x, frame.minX()));
        system.add(problem.unknownEquals(index, top, problem.topOf(frame)));
    }

    auto values = system.solution();
    for (size_t index = 0; index < views.size(); ++index) {
        const double* value = &values[index * 4];
        views[index]->setFrame({value[x], problem.yOf(value[top], value[height]), value[width], value[height]});
    }
}
