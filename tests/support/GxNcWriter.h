// Writers of motion projects (".gnc") and image sets (".gis") in either form of the content
// stream, from the engine's own models, for tests, benchmarks and the demo-game builder; plus
// small helpers to build those models by hand.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxContentWriter.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcProject.h"
#include "tests/support/GxContentFixture.h"

// The whole file: header ("TNCPROJ" / "BNCPROJ", version 100) and every value in order. The
// header tag follows the writer's form.
void GxNcWriteProject(GxContentWriterBase& writer, const GxNcProject& project, GxContentForm form);
std::string GxNcProjectToBytes(const GxNcProject& project, GxContentForm form);

// withRawUV false leaves out every pattern's m_CrammedRawUV, as older files do.
void GxNcWriteImageSet(GxContentWriterBase& writer, const GxNcCrammedImageSet& set, GxContentForm form,
                       bool withRawUV = true);
std::string GxNcImageSetToBytes(const GxNcCrammedImageSet& set, GxContentForm form, bool withRawUV = true);

// Writes bytes to a native path, creating parent folders; false when that fails.
bool GxNcWriteFileBytes(const std::string& nativePath, std::string_view bytes);

// ---- model builders ----
GxNcMotionGroup& GxNcAddMotionGroup(GxNcProject& project, std::u16string_view name);
GxNcMotion& GxNcAddMotion(GxNcMotionGroup& group, std::u16string_view name, int32_t endTime);
GxNcLayer& GxNcAddLayer(GxNcMotion& motion, std::u16string_view name);
// Appends a node naming a layer as the last child of parent (null: last top-level node).
GxNcLayerNode* GxNcAddTreeNode(GxNcMotion& motion, GxNcLayerNode* parent, std::u16string_view layerName);
GxNcOriginImage& GxNcAddOriginImage(GxNcCrammedImageSet& set, std::u16string_view fileName);
// A pattern whose cell (left, top, width, height) is packed untrimmed on the given page at
// (packedLeft, packedTop): its offset is the cell's corner and its packed size the cell's size.
GxNcCrammedPattern& GxNcAddPattern(GxNcOriginImage& image, int32_t page, int32_t left, int32_t top, int32_t width,
                                   int32_t height, int32_t packedLeft, int32_t packedTop);

// ---- fake graphics for the image-set hooks ----

// A page texture handed out by the fake loader.
struct GxNcFakeTexture
{
    std::u16string m_Path;
    GxFormat m_Format = GXFMT_UNKNOWN;
    float m_Width = 0.0f;  // allocated size in pixels, for the texture coordinates
    float m_Height = 0.0f;
};

// Installs loader, releaser, coordinate and drawer hooks that record what they are asked for;
// restores the previous hooks when destroyed. One at a time.
class GxNcFakeGraphics
{
public:
    GxNcFakeGraphics();
    ~GxNcFakeGraphics();
    GxNcFakeGraphics(const GxNcFakeGraphics&) = delete;
    GxNcFakeGraphics& operator=(const GxNcFakeGraphics&) = delete;

    // Page pictures the loader reports missing (null), by path as asked.
    std::set<std::u16string> m_Missing;
    // Size given to every texture loaded from now on.
    float m_TextureWidth = 256.0f;
    float m_TextureHeight = 128.0f;

    std::vector<std::u16string> m_LoadedPaths;
    std::vector<GxFormat> m_LoadedFormats;
    std::vector<std::u16string> m_ReleasedPaths;
    std::vector<GxNcQuad> m_Quads;
    int LiveTextures() const { return m_Live; }

    static GxNcFakeTexture* Fake(GxTexture* texture) { return reinterpret_cast<GxNcFakeTexture*>(texture); }

private:
    static GxTexture* Load(const std::u16string& path, GxFormat format);
    static void ReleaseTexture(GxTexture* texture);
    static float GetU(const GxTexture* texture, float x);
    static float GetV(const GxTexture* texture, float y);
    static void Draw(const GxNcQuad& quad);

    GxNcGraphicsHooks m_Previous;
    int m_Live = 0;
};
