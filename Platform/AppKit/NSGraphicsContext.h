#pragma once

typedef struct _cairo cairo_t;

// Where views draw: a cairo context, made current for the duration of a
// drawing pass. It also counts the characters that no font could draw (a box
// on screen), so a caller can treat them as the error they are.
class NSGraphicsContext {
public:
    explicit NSGraphicsContext(cairo_t* cr)
        : m_cr(cr)
    {
    }

    static NSGraphicsContext* current();

    cairo_t* cgContext() const { return m_cr; }
    int unknownGlyphCount() const { return m_unknownGlyphs; }
    void addUnknownGlyphs(int count) { m_unknownGlyphs += count; }

    // Makes a context current until the scope ends.
    class Scope {
    public:
        explicit Scope(NSGraphicsContext& context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        NSGraphicsContext* m_previous;
    };

private:
    cairo_t* m_cr;
    int m_unknownGlyphs = 0;
};
