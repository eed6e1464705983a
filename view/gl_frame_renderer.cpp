#include "view/gl_frame_renderer.h"

#include <algorithm>

#include "platform/opengl.h"

namespace ks::view {

namespace {

GLenum Mode(PrimitiveKind kind) {
    switch (kind) {
        case PrimitiveKind::FilledPolygon: return GL_POLYGON;
        case PrimitiveKind::LineLoop: return GL_LINE_LOOP;
        case PrimitiveKind::LineStrip: break;
    }
    return GL_LINE_STRIP;
}

// One primitive with the state it is drawn in, in immediate mode as the map
// has always drawn it.
void Emit(const Primitive& p, double dpr) {
    glLineWidth(GLfloat(p.lineWidth * dpr));
    glColor3f(p.colour.r, p.colour.g, p.colour.b);
    glBegin(Mode(p.kind));
    for (const Vertex& v : p.vertices) glVertex2d(v.x, v.y);
    glEnd();
}

// A hole's circle, with the very vertices CirclePrimitive gives it.
void EmitCircle(const HoleCircle& c, double dpr) {
    const Colour& colour = c.done ? kDoneColour : kPendingColour;
    glLineWidth(GLfloat(1.0f * dpr));
    glColor3f(colour.r, colour.g, colour.b);
    glBegin(c.done ? GL_POLYGON : GL_LINE_LOOP);
    for (int k = 0; k < kCircleVertices; ++k) {
        const Vertex v = CircleVertex(c.centre.x, c.centre.y, k);
        glVertex2d(v.x, v.y);
    }
    glEnd();
}

struct Box {
    Vertex lower{1, 1}, upper{0, 0};  // empty while lower is above upper
};

Box BoxOf(const Primitive& p) {
    Box b;
    if (p.vertices.empty()) return b;
    b.lower = b.upper = p.vertices.front();
    for (const Vertex& v : p.vertices) {
        b.lower = {std::min(b.lower.x, v.x), std::min(b.lower.y, v.y)};
        b.upper = {std::max(b.upper.x, v.x), std::max(b.upper.y, v.y)};
    }
    return b;
}

// Map units to the frame's pixels under the matrices and viewport in force:
// tells whether whatever lies in a box of the map lands wholly outside the
// frame, so that drawing it would change no pixel.
class Camera {
public:
    Camera(int width, int height, double dpr) : m_width(width), m_height(height), m_dpr(dpr) {
        GLdouble proj[16], model[16];
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetIntegerv(GL_VIEWPORT, m_viewport);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                double sum = 0;
                for (int k = 0; k < 4; ++k) sum += proj[k * 4 + r] * model[c * 4 + k];
                m_matrix[c * 4 + r] = sum;
            }
    }

    // A margin covers the width of lines and the rasteriser's rounding; any
    // doubt (a corner at or behind the eye) counts as inside.
    bool Outside(const Vertex& lower, const Vertex& upper, float lineWidth) const {
        if (lower.x > upper.x || lower.y > upper.y) return true;  // nothing in it
        const double margin = 2.0 + lineWidth * m_dpr;
        double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
        for (const Vertex& c : {lower, Vertex{upper.x, lower.y}, upper, Vertex{lower.x, upper.y}}) {
            const double* m = m_matrix;
            const double cx = m[0] * c.x + m[4] * c.y + m[12];
            const double cy = m[1] * c.x + m[5] * c.y + m[13];
            const double cw = m[3] * c.x + m[7] * c.y + m[15];
            if (!(cw > 1e-9)) return false;
            const double wx = m_viewport[0] + (cx / cw + 1.0) * m_viewport[2] / 2.0;
            const double wy = m_viewport[1] + (cy / cw + 1.0) * m_viewport[3] / 2.0;
            minX = std::min(minX, wx);
            maxX = std::max(maxX, wx);
            minY = std::min(minY, wy);
            maxY = std::max(maxY, wy);
        }
        return maxX < -margin || minX > m_width + margin || maxY < -margin || minY > m_height + margin;
    }

private:
    double m_matrix[16] = {};  // projection x model-view, column-major
    GLint m_viewport[4] = {};
    int m_width, m_height;     // the frame in device pixels
    double m_dpr;
};

}  // namespace

GlDrawCounts DrawFrameWithOpenGl(const Frame* frame, int width, int height, double dpr) {
    static const Frame kNoFrame;
    const Frame& f = frame != nullptr ? *frame : kNoFrame;

    // The camera: a 1000 x 1000 viewport anchored at the lower-left corner,
    // larger than the frame, which shows its lower-left part.
    const Perspective& cam = f.perspective;
    glViewport(GLint(cam.viewportX * dpr), GLint(cam.viewportY * dpr), GLsizei(cam.viewportWidth * dpr),
               GLsizei(cam.viewportHeight * dpr));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (frame != nullptr) gluPerspective(cam.fovy, cam.aspect, cam.zNear, cam.zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    const Colour clear = frame != nullptr ? f.clearColour : kClearColour;
    glClearColor(clear.r, clear.g, clear.b, clear.a);
    glClearDepth(f.clearDepth);
    if (f.depthTest) glEnable(GL_DEPTH_TEST);
    // Everything lies in one plane; with a depth buffer present the test must
    // pass as it does without one, or later lines would vanish under fills.
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    if (depthBits > 0) glDepthFunc(GL_ALWAYS);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GlDrawCounts counts;
    if (frame == nullptr) return counts;
    glLoadIdentity();
    glTranslated(f.translateX, f.translateY, f.translateZ);
    glClear(GL_COLOR_BUFFER_BIT);
    glLineWidth(GLfloat(1.0 * dpr));

    // What lands wholly outside the frame is left out, a block at a time
    // and then a primitive at a time: a big job lies mostly outside, and
    // every vertex sent costs the software renderer its transformation.
    // Each primitive sets its own colour and width, so leaving one out
    // changes nothing for the next.
    const Camera eye(width, height, dpr);
    for (const BlockRef& b : f.blocks) {
        float widest = 1.0f;
        for (const Primitive& p : b->primitives) widest = std::max(widest, p.lineWidth);
        if (eye.Outside(b->lower, b->upper, widest)) continue;
        ++counts.blocks;
        for (const HoleCircle& c : b->circles) {
            const Vertex& m = c.centre;
            const double r = kHoleRadiusMm;
            if (eye.Outside({m.x - r, m.y - r}, {m.x + r, m.y + r}, 1.0f)) continue;
            EmitCircle(c, dpr);
            ++counts.primitives;
        }
        for (const Primitive& p : b->primitives) {
            const Box box = BoxOf(p);
            if (eye.Outside(box.lower, box.upper, p.lineWidth)) continue;
            Emit(p, dpr);
            ++counts.primitives;
        }
    }
    for (const Primitive& p : f.overlay) {
        Emit(p, dpr);
        ++counts.primitives;
    }
    glFlush();
    return counts;
}

}  // namespace ks::view
