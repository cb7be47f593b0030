// Effect files (".fx") read from bytes: the declarations, then every query the shader effect
// makes of them.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/GxFxReader.h"

namespace {
void Walk(const GxFxEffect& effect, GxFxHandle parent, int depth)
{
    for (uint32_t i = 0;; ++i) {
        GxFxHandle p = effect.GetParameter(parent, i);
        if (!p) break;
        GxFxParameterDesc d;
        if (effect.GetParameterDesc(p, &d) != GX_OK || !d.name) abort();
        for (const char* name : {"UIName", "UseLight", ""}) {
            int32_t v = 0;
            effect.GetInt(effect.GetAnnotationByName(p, name), &v);
        }
        if (depth < 4) Walk(effect, p, depth + 1);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFFFFFFu) return 0;
    std::unique_ptr<GxFxEffect> effect;
    std::string errors;
    const GxResult r = GxFxEffect::Create(data, static_cast<uint32_t>(size), 0, effect, errors);
    if (r != GX_OK) {
        if (effect || errors.empty() || errors.back() != '\n') abort();
        return 0;
    }
    GxFxEffectDesc desc;
    if (effect->GetDesc(&desc) != GX_OK || desc.parameters > size || desc.techniques > size) abort();
    uint32_t techniques = 0;
    for (GxFxHandle t = effect->FindNextValidTechnique(nullptr); t; t = effect->FindNextValidTechnique(t)) {
        GxFxTechniqueDesc td;
        if (effect->GetTechniqueDesc(t, &td) != GX_OK) abort();
        for (const char* name : {"UseLight", "UseTangent", "UseUV", "UseBone", "UseTexture", "TecIndex"}) {
            int32_t v = 0;
            effect->GetInt(effect->GetAnnotationByName(t, name), &v);
        }
        ++techniques;
    }
    if (techniques != desc.techniques) abort();
    Walk(*effect, nullptr, 0);
    return 0;
}
