// What one frame asks of the GL device: its clears and draws in order, each with the target it
// writes, the texture it samples (by serial and version), its state block, viewport and
// vertices. The device keeps the list of the last frame it showed; a frame whose list equals it,
// and whose picture depends on nothing but its own list, is not drawn again.
//
// When a frame's picture depends on nothing but its list: every target the frame writes is
// overwritten whole by the first thing the frame does to it (a clear of the whole target, or an
// opaque quad over the whole of it), and no target is read before the frame overwrites it. A
// target drawn over without that (blending onto whatever it held) would come out differently
// each time the frame is drawn, so such a frame is always drawn.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/GxDeviceTypes.h"
#include "platform/gl/GxGLDraw.h"

class GxCoreTexture;

struct GxGLFrameCommand
{
    enum class Kind : uint8_t { Clear, Draw };

    Kind kind = Kind::Draw;
    uint8_t primitive = 0;     // Draw: the GxPrimitiveType
    uint8_t level = 0;         // Clear: the level of a texture target
    uint32_t stateIndex = 0;   // Draw: into the list's state blocks
    uint32_t firstVertex = 0;  // Draw: into the list's vertices
    uint32_t vertexCount = 0;
    GxViewport viewport;  // Draw
    GxRectL rect;         // Clear: already cut to the viewport and the target
    uint32_t color = 0;   // Clear
    // The target (the back buffer has a serial of its own) and the sampled texture (serial 0:
    // none), each with its version when the command was given.
    uint64_t targetSerial = 0;
    uint64_t targetVersion = 0;
    uint64_t textureSerial = 0;
    uint64_t textureVersion = 0;
    // Only while the command waits to be carried out: the objects (none: the back buffer, or no
    // texture). Not part of what is compared.
    GxCoreTexture* target = nullptr;
    GxCoreTexture* texture = nullptr;
};

class GxGLFrameList
{
public:
    void Clear();

    // Appends a command (its vertices and state block, for a draw) and returns its index.
    size_t AddClear(const GxGLFrameCommand& command);
    size_t AddDraw(const GxGLFrameCommand& command, const GxGLStateBlock& states, const GxScreenVertex* vertices,
                   uint32_t count);

    size_t Size() const { return m_Commands.size(); }
    GxGLFrameCommand& At(size_t i) { return m_Commands[i]; }
    const GxGLFrameCommand& At(size_t i) const { return m_Commands[i]; }
    const GxGLStateBlock& States(const GxGLFrameCommand& c) const { return m_States[c.stateIndex]; }
    const GxScreenVertex* Vertices(const GxGLFrameCommand& c) const { return m_Vertices.data() + c.firstVertex; }

    // Whether command i of this list asks for exactly what command j of the other one asked.
    bool SameCommand(size_t i, const GxGLFrameList& other, size_t j) const;

    // Whether the picture depends on the list alone (see above), as far as the commands so far
    // go. writesWhole: the command overwrites its target whole, whatever the target held.
    void NoteCommand(const GxGLFrameCommand& command, bool writesWhole);
    bool SelfContained() const { return m_SelfContained; }
    // Whether a command so far wrote the target of that serial.
    bool WrittenInFrame(uint64_t serial) const;

private:
    struct Touched
    {
        uint64_t serial = 0;
        bool written = false;  // by a command of this frame
        bool read = false;     // sampled before this frame wrote it
    };
    static constexpr int kTargetRole = 0;
    static constexpr int kTextureRole = 1;
    // The entry's index, or the list's size when the serial has none.
    size_t Find(uint64_t serial, int role) const;
    Touched& Touch(uint64_t serial, int role);

    std::vector<GxGLFrameCommand> m_Commands;
    std::vector<GxGLStateBlock> m_States;
    std::vector<GxScreenVertex> m_Vertices;
    std::vector<Touched> m_Touched;
    mutable size_t m_Hint[2] = {0, 0};  // by role: the entry found last
    bool m_SelfContained = true;
};

// The facts about a draw's texture that decide whether its quad covers its target opaquely.
struct GxGLCoverTexture
{
    bool present = false;          // a texture is sampled (none samples white)
    uint32_t width = 0;            // level 0
    uint32_t height = 0;
    uint32_t levels = 1;
    uint32_t opaqueWidth = 0;      // level 0's rectangle (0, 0, opaqueWidth, opaqueHeight) is opaque
    uint32_t opaqueHeight = 0;
};

// Whether a draw of count vertices writes every pixel of a width x height target with a
// result that does not depend on what the target held: one axis-aligned quad over the whole
// viewport, which covers the target, in a state whose blending discards the destination given
// a source alpha of one everywhere, and a source alpha of one everywhere (the vertices' and
// the texture's alpha over the part the quad samples). opaqueTarget: the target keeps no alpha.
// The texture's opaque rectangle is asked for only when everything else holds.
template <typename TextureFacts>
bool GxGLDrawCoversTarget(const GxGLStateBlock& states, const GxViewport& viewport, GxPrimitiveType type,
                          const GxScreenVertex* vertices, uint32_t count, uint32_t width, uint32_t height,
                          bool opaqueTarget, TextureFacts&& textureFacts);

// The largest rectangle (0, 0, w, h) of a level whose pixels, in the given format, all have
// full alpha; the whole level for formats without alpha.
void GxGLOpaqueRect(GxFormat format, const uint8_t* bits, uint32_t pitch, uint32_t width, uint32_t height,
                    uint32_t* opaqueWidth, uint32_t* opaqueHeight);

// ---- Implementation of the template ---------------------------------------------------------

bool GxGLQuadCoversTarget(const GxViewport& viewport, GxPrimitiveType type, const GxScreenVertex* vertices,
                          uint32_t count, uint32_t width, uint32_t height);
// Whether the state makes the target's old pixels irrelevant given a source alpha of one, and
// which sources the fragment's alpha comes from (1 diffuse, 2 texture, 4 factor, 8 specular).
// False when the alpha could be anything else than the product of those sources' alphas.
bool GxGLStateDiscardsDestination(const GxGLStateBlock& states, bool opaqueTarget, uint32_t* alphaSources);
bool GxGLVerticesOpaque(const GxScreenVertex* vertices, uint32_t count, bool specular);
bool GxGLSampledRectOpaque(const GxGLStateBlock& states, const GxScreenVertex* vertices, uint32_t count,
                           const GxGLCoverTexture& texture);

template <typename TextureFacts>
bool GxGLDrawCoversTarget(const GxGLStateBlock& states, const GxViewport& viewport, GxPrimitiveType type,
                          const GxScreenVertex* vertices, uint32_t count, uint32_t width, uint32_t height,
                          bool opaqueTarget, TextureFacts&& textureFacts)
{
    if (!GxGLQuadCoversTarget(viewport, type, vertices, count, width, height)) return false;
    uint32_t sources = 0;
    if (!GxGLStateDiscardsDestination(states, opaqueTarget, &sources)) return false;
    if ((sources & 1) && !GxGLVerticesOpaque(vertices, count, false)) return false;
    if ((sources & 8) && !GxGLVerticesOpaque(vertices, count, true)) return false;
    if ((sources & 4) && (states.textureFactor >> 24) != 0xFF) return false;
    if (sources & 2) {
        const GxGLCoverTexture t = textureFacts();
        if (t.present && !GxGLSampledRectOpaque(states, vertices, count, t)) return false;
    }
    return true;
}
