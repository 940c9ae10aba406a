#pragma once

class NSView;

// Places the subviews of one view from the constraints that name them: the
// constraints are linear equations in each constrained subview's x, y, width
// and height, solved by elimination. Where they leave a subview free, its
// intrinsic size decides, then the frame it already has. A constraint that
// contradicts those before it is ignored and reported on standard error.
class LayoutSolver {
public:
    static void layOut(NSView& container);
};
