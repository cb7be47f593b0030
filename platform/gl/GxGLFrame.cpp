#include "platform/gl/GxGLFrame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gl/GxGLShader.h"

// ---- The list ------------------------------------------------------------------------------------

void GxGLFrameList::Clear()
{
    m_Commands.clear();
    m_States.clear();
    m_Vertices.clear();
    m_Touched.clear();
    m_Hint[kTargetRole] = m_Hint[kTextureRole] = 0;
    m_SelfContained = true;
}

size_t GxGLFrameList::AddClear(const GxGLFrameCommand& command)
{
    m_Commands.push_back(command);
    m_Commands.back().kind = GxGLFrameCommand::Kind::Clear;
    return m_Commands.size() - 1;
}

size_t GxGLFrameList::AddDraw(const GxGLFrameCommand& command, const GxGLStateBlock& states,
                              const GxScreenVertex* vertices, uint32_t count)
{
    // Draws mostly come in runs of one state: a block is kept once per run.
    if (m_States.empty() || !(m_States.back() == states)) m_States.push_back(states);
    m_Commands.push_back(command);
    GxGLFrameCommand& c = m_Commands.back();
    c.kind = GxGLFrameCommand::Kind::Draw;
    c.stateIndex = static_cast<uint32_t>(m_States.size() - 1);
    c.firstVertex = static_cast<uint32_t>(m_Vertices.size());
    c.vertexCount = count;
    m_Vertices.insert(m_Vertices.end(), vertices, vertices + count);
    return m_Commands.size() - 1;
}

bool GxGLFrameList::SameCommand(size_t i, const GxGLFrameList& other, size_t j) const
{
    const GxGLFrameCommand& a = m_Commands[i];
    const GxGLFrameCommand& b = other.m_Commands[j];
    if (a.kind != b.kind || a.targetSerial != b.targetSerial || a.targetVersion != b.targetVersion ||
        a.textureSerial != b.textureSerial || a.textureVersion != b.textureVersion)
        return false;
    if (a.kind == GxGLFrameCommand::Kind::Clear) return a.rect == b.rect && a.color == b.color && a.level == b.level;
    return a.primitive == b.primitive && a.vertexCount == b.vertexCount && a.viewport == b.viewport &&
           States(a) == other.States(b) &&
           std::memcmp(Vertices(a), other.Vertices(b), sizeof(GxScreenVertex) * a.vertexCount) == 0;
}

size_t GxGLFrameList::Find(uint64_t serial, int role) const
{
    // Draws come in runs on one target, mostly with one texture: the entry each role found
    // last is tried before the list.
    const size_t hint = m_Hint[role];
    if (hint < m_Touched.size() && m_Touched[hint].serial == serial) return hint;
    for (size_t i = 0; i < m_Touched.size(); ++i)
        if (m_Touched[i].serial == serial) return m_Hint[role] = i;
    return m_Touched.size();
}

GxGLFrameList::Touched& GxGLFrameList::Touch(uint64_t serial, int role)
{
    const size_t i = Find(serial, role);
    if (i < m_Touched.size()) return m_Touched[i];
    m_Touched.push_back(Touched{serial, false, false});
    m_Hint[role] = i;
    return m_Touched.back();
}

bool GxGLFrameList::WrittenInFrame(uint64_t serial) const
{
    const size_t i = Find(serial, kTargetRole);
    return i < m_Touched.size() && m_Touched[i].written;
}

void GxGLFrameList::NoteCommand(const GxGLFrameCommand& command, bool writesWhole)
{
    if (command.textureSerial != 0) {
        // Sampling the target being drawn reads pixels the draw itself changes.
        if (command.textureSerial == command.targetSerial) m_SelfContained = false;
        Touched& t = Touch(command.textureSerial, kTextureRole);
        if (!t.written) t.read = true;
    }
    Touched& target = Touch(command.targetSerial, kTargetRole);
    if (target.written) return;
    // The first write: what the target held before shows through unless it is overwritten
    // whole, and a target read before this frame overwrote it gave the frame its old pixels.
    if (target.read || !writesWhole) m_SelfContained = false;
    target.written = true;
}

// ---- Covering a target ---------------------------------------------------------------------------

namespace {

bool Finite(float v) { return std::isfinite(v); }

// The alpha sources of one stage argument (see GxGLStateDiscardsDestination); false when the
// argument's alpha is one minus a source's.
bool ArgumentSources(uint32_t arg, uint32_t* sources)
{
    if (arg & GX_GL_TA_COMPLEMENT) return false;
    switch (arg & GX_GL_TA_SELECTMASK) {
    case GXTA_TEXTURE: *sources |= 2; break;
    case GXTA_TFACTOR: *sources |= 4; break;
    case GXTA_SPECULAR: *sources |= 8; break;
    default: *sources |= 1; break;  // the diffuse colour (also "current" on stage 0)
    }
    return true;
}

bool BlendReadsDestination(GLenum factor)
{
    return factor == GL_DST_COLOR || factor == GL_ONE_MINUS_DST_COLOR || factor == GL_DST_ALPHA ||
           factor == GL_ONE_MINUS_DST_ALPHA || factor == GL_SRC_ALPHA_SATURATE;
}

// Whether blending with these factors and equation leaves nothing of the destination, given a
// source alpha of one (needOne is then set).
bool DiscardsDestination(uint32_t op, uint32_t src, uint32_t dst, bool* needOne)
{
    const GLenum equation = GxGLBlendEquation(op);
    if (equation != GL_FUNC_ADD && equation != GL_FUNC_SUBTRACT && equation != GL_FUNC_REVERSE_SUBTRACT)
        return false;
    if (BlendReadsDestination(GxGLBlendFactor(src, true))) return false;
    const GLenum d = GxGLBlendFactor(dst, false);
    if (d == GL_ZERO) return true;
    if (d == GL_ONE_MINUS_SRC_ALPHA) {
        *needOne = true;
        return true;
    }
    return false;
}

// The texels [first, last) a quad samples along one axis, from its texture coordinates.
void TexelSpan(float lo, float hi, uint32_t size, bool linear, int64_t* first, int64_t* last)
{
    // Pixel centres lie half a pixel inside the quad, so the coordinates sampled stay within
    // (lo, hi); the small allowance absorbs rounding of the coordinates themselves.
    const double s = static_cast<double>(size);
    *first = static_cast<int64_t>(std::floor(static_cast<double>(lo) * s + 1e-3));
    *last = static_cast<int64_t>(std::ceil(static_cast<double>(hi) * s - 1e-3));
    if (*last <= *first) *last = *first + 1;
    if (linear) {
        --*first;
        ++*last;
    }
}

// Whether the span lies in the opaque part [0, opaque) of a size-long axis; a span that leaves
// the texture wraps, mirrors or clamps onto it, which only a whole opaque axis allows.
bool SpanOpaque(int64_t first, int64_t last, uint32_t size, uint32_t opaque, uint32_t address)
{
    if (first >= 0 && last <= static_cast<int64_t>(size)) return last <= static_cast<int64_t>(opaque);
    return opaque >= size && address != 4;  // the border colour is not the texture's
}

}  // namespace

bool GxGLQuadCoversTarget(const GxViewport& viewport, GxPrimitiveType type, const GxScreenVertex* v, uint32_t count,
                          uint32_t width, uint32_t height)
{
    if (count != 4 || (type != GXPT_TRIANGLEFAN && type != GXPT_TRIANGLESTRIP)) return false;
    if (viewport.X != 0 || viewport.Y != 0 || viewport.Width < width || viewport.Height < height) return false;
    for (uint32_t i = 0; i < 4; ++i)
        if (!Finite(v[i].x) || !Finite(v[i].y) || !Finite(v[i].rhw) || v[i].rhw < 1e-6f) return false;
    // The two triangles cover the rectangle when their shared edge is its diagonal: for a fan
    // vertices 0 and 2 are opposite corners, for a strip 0 and 3; the other two are the
    // remaining corners.
    const uint32_t a = 0, c = type == GXPT_TRIANGLEFAN ? 2 : 3;
    const uint32_t b = 1, d = type == GXPT_TRIANGLEFAN ? 3 : 2;
    const float x0 = std::min(v[a].x, v[c].x), x1 = std::max(v[a].x, v[c].x);
    const float y0 = std::min(v[a].y, v[c].y), y1 = std::max(v[a].y, v[c].y);
    if (!(x0 < x1) || !(y0 < y1)) return false;
    auto corner = [&](const GxScreenVertex& p) { return (p.x == x0 || p.x == x1) && (p.y == y0 || p.y == y1); };
    if (!corner(v[b]) || !corner(v[d])) return false;
    // b and d are the corners a and c leave: each differs from both in one coordinate.
    if (v[b].x == v[d].x || v[b].y == v[d].y) return false;
    if ((v[b].x == v[a].x && v[b].y == v[a].y) || (v[b].x == v[c].x && v[b].y == v[c].y)) return false;
    // Pixel (i, j) has its centre at (i, j) in the device's coordinates (see the vertex shader):
    // every centre of the target lies inside.
    return x0 <= -0.5f && y0 <= -0.5f && x1 >= static_cast<float>(width) - 0.5f &&
           y1 >= static_cast<float>(height) - 0.5f;
}

bool GxGLStateDiscardsDestination(const GxGLStateBlock& b, bool opaqueTarget, uint32_t* alphaSources)
{
    *alphaSources = 0;
    if (b.cull == GXCULL_CW || b.cull == GXCULL_CCW) return false;
    if (b.fill == GXFILL_POINT || b.fill == GXFILL_WIREFRAME) return false;
    if ((b.colorWrite & 7) != 7) return false;
    if (!opaqueTarget && (b.colorWrite & 8) == 0) return false;
    bool needOne = false;
    if (b.alphaTest && b.alphaFunc >= GXCMP_NEVER && b.alphaFunc < GXCMP_ALWAYS) {
        // Every fragment, at alpha one, must pass.
        const uint32_t ref = b.alphaRef & 0xFF;
        bool passes = false;
        switch (b.alphaFunc) {
        case GXCMP_GREATEREQUAL: passes = true; break;
        case GXCMP_GREATER:
        case GXCMP_NOTEQUAL: passes = ref < 255; break;
        case GXCMP_EQUAL:
        case GXCMP_LESSEQUAL: passes = ref == 255; break;
        default: break;
        }
        if (!passes) return false;
        needOne = true;
    }
    if (b.alphaBlend) {
        if (!DiscardsDestination(b.blendOp, b.srcBlend, b.destBlend, &needOne)) return false;
        if (!opaqueTarget && b.separateAlpha) {
            if (GxGLBlendEquation(b.blendOpAlpha) == GL_MAX) needOne = true;  // max(1, old) = 1
            else if (!DiscardsDestination(b.blendOpAlpha, b.srcBlendAlpha, b.destBlendAlpha, &needOne)) return false;
        }
    }
    if (!needOne) return true;
    // Where the fragment's alpha comes from (as the stand-in program computes it).
    if (b.colorOp == GXTOP_DISABLE) {
        *alphaSources = 1;
        return true;
    }
    switch (b.alphaOp) {
    case GXTOP_SELECTARG1: return ArgumentSources(b.alphaArg1, alphaSources);
    case GXTOP_SELECTARG2: return ArgumentSources(b.alphaArg2, alphaSources);
    case GXTOP_MODULATE:
    case GXTOP_MODULATE2X:
    case GXTOP_MODULATE4X:
    case GXTOP_ADD:
        // One times one (doubled, clamped), one plus one clamped: one.
        return ArgumentSources(b.alphaArg1, alphaSources) && ArgumentSources(b.alphaArg2, alphaSources);
    case GXTOP_ADDSIGNED:
    case GXTOP_ADDSIGNED2X:
    case GXTOP_SUBTRACT:
    case 11:  // ADDSMOOTH
        return false;
    default:
        *alphaSources = 1;  // the program gives the diffuse colour
        return true;
    }
}

bool GxGLVerticesOpaque(const GxScreenVertex* v, uint32_t count, bool specular)
{
    for (uint32_t i = 0; i < count; ++i)
        if (((specular ? v[i].specular : v[i].diffuse) >> 24) != 0xFF) return false;
    return true;
}

bool GxGLSampledRectOpaque(const GxGLStateBlock& b, const GxScreenVertex* v, uint32_t count,
                           const GxGLCoverTexture& t)
{
    if (count == 0 || t.width == 0 || t.height == 0) return false;
    if (t.levels > 1 && b.mipFilter != GXTEXF_NONE) return false;  // only level 0 is known
    float u0 = v[0].u, u1 = v[0].u, v0 = v[0].v, v1 = v[0].v;
    for (uint32_t i = 0; i < count; ++i) {
        if (!Finite(v[i].u) || !Finite(v[i].v)) return false;
        u0 = std::min(u0, v[i].u);
        u1 = std::max(u1, v[i].u);
        v0 = std::min(v0, v[i].v);
        v1 = std::max(v1, v[i].v);
    }
    const bool linear = b.magFilter == GXTEXF_LINEAR || b.magFilter == GXTEXF_ANISOTROPIC ||
                        b.minFilter == GXTEXF_LINEAR || b.minFilter == GXTEXF_ANISOTROPIC;
    int64_t x0, x1, y0, y1;
    TexelSpan(u0, u1, t.width, linear, &x0, &x1);
    TexelSpan(v0, v1, t.height, linear, &y0, &y1);
    return SpanOpaque(x0, x1, t.width, t.opaqueWidth, b.addressU) &&
           SpanOpaque(y0, y1, t.height, t.opaqueHeight, b.addressV);
}

void GxGLOpaqueRect(GxFormat format, const uint8_t* bits, uint32_t pitch, uint32_t width, uint32_t height,
                    uint32_t* opaqueWidth, uint32_t* opaqueHeight)
{
    *opaqueWidth = 0;
    *opaqueHeight = 0;
    auto opaqueAt = [&](const uint8_t* row, uint32_t x) -> bool {
        switch (format) {
        case GXFMT_A8R8G8B8: return row[static_cast<size_t>(x) * 4 + 3] == 0xFF;
        case GXFMT_A4R4G4B4: return (row[static_cast<size_t>(x) * 2 + 1] & 0xF0) == 0xF0;
        case GXFMT_A8: return row[x] == 0xFF;
        default: return false;
        }
    };
    switch (format) {
    case GXFMT_X8R8G8B8:
    case GXFMT_X4R4G4B4:
    case GXFMT_L8:
        *opaqueWidth = width;
        *opaqueHeight = height;
        return;
    case GXFMT_A8R8G8B8:
    case GXFMT_A4R4G4B4:
    case GXFMT_A8: break;
    default: return;
    }
    if (!bits) return;
    // Rows from the top while their first pixel is opaque; the width is where the first of them
    // stops being opaque.
    uint32_t w = width, h = 0;
    for (; h < height; ++h) {
        const uint8_t* row = bits + static_cast<size_t>(h) * pitch;
        uint32_t x = 0;
        while (x < w && opaqueAt(row, x)) ++x;
        if (x == 0) break;
        w = x;
    }
    *opaqueWidth = h > 0 ? w : 0;
    *opaqueHeight = h;
}
