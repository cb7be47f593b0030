// Writers of motion projects (".gnc") and image sets (".gis") in either form of the content
// stream, from the engine's own models, for tests, benchmarks and the demo-game builder; plus
// small helpers to build those models by hand.
#pragma once

#include <string>
#include <string_view>

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
// A source image with one pattern per rectangle of a page (index page), each pattern's offset
// equal to its cell and its packed rectangle at (packedLeft, packedTop) of that size.
GxNcOriginImage& GxNcAddOriginImage(GxNcCrammedImageSet& set, std::u16string_view fileName);
GxNcCrammedPattern& GxNcAddPattern(GxNcOriginImage& image, int32_t page, int32_t left, int32_t top, int32_t width,
                                   int32_t height, int32_t packedLeft, int32_t packedTop);
