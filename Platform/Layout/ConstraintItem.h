#pragma once

#include <memory>

#include "Platform/AppKit/NSLayoutConstraint.h"

class NSView;

// One attribute of one view, as SnapKit's `view.snp.leading` names it.
struct ConstraintItem {
    std::shared_ptr<NSView> view;
    NSLayoutAttribute attribute = NSLayoutAttribute::notAnAttribute;
};
