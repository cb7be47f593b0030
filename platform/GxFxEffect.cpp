#include "platform/GxFxReader.h"

#include <functional>

namespace {

template <class T>
bool InVector(const std::vector<T>& v, const void* h, size_t* index)
{
    if (v.empty() || !h) return false;
    const auto* p = static_cast<const T*>(h);
    std::less<const T*> less;
    if (less(p, v.data()) || !less(p, v.data() + v.size())) return false;
    *index = static_cast<size_t>(p - v.data());
    return true;
}

const GxFxParameter* FindParameter(const std::vector<GxFxParameter>& list, const void* h)
{
    size_t i = 0;
    if (InVector(list, h, &i)) return &list[i];
    for (const auto& p : list)
        if (const GxFxParameter* m = FindParameter(p.members, h)) return m;
    return nullptr;
}

const GxFxAnnotation* FindAnnotationIn(const std::vector<GxFxParameter>& list, const void* h)
{
    for (const auto& p : list) {
        size_t i = 0;
        if (InVector(p.annotations, h, &i)) return &p.annotations[i];
        if (const GxFxAnnotation* a = FindAnnotationIn(p.members, h)) return a;
    }
    return nullptr;
}

}  // namespace

// ---- The effect object ---------------------------------------------------------------------------

GxResult GxFxEffect::Create(const void* data, uint32_t size, uint32_t flags, std::unique_ptr<GxFxEffect>& effect,
                            std::string& errors)
{
    effect.reset();
    errors.clear();
    if (!data && size != 0) return GXERR_INVALIDCALL;
    std::string_view source(static_cast<const char*>(data), data ? size : 0);
    // Text handed over with its terminating zero ends there.
    const size_t zero = source.find('\0');
    if (zero != std::string_view::npos) source = source.substr(0, zero);
    std::unique_ptr<GxFxEffect> made(new GxFxEffect());
    made->m_Flags = flags;
    if (!GxReadFxDeclarations(source, made->m_Decl, errors)) return GXERR_INVALIDDATA;
    effect = std::move(made);
    return GX_OK;
}

const GxFxTechnique* GxFxEffect::AsTechnique(GxFxHandle h) const
{
    size_t i = 0;
    return InVector(m_Decl.techniques, h, &i) ? &m_Decl.techniques[i] : nullptr;
}

const GxFxParameter* GxFxEffect::AsParameter(GxFxHandle h) const { return FindParameter(m_Decl.parameters, h); }

const GxFxAnnotation* GxFxEffect::AsAnnotation(GxFxHandle h) const
{
    for (const auto& t : m_Decl.techniques) {
        size_t i = 0;
        if (InVector(t.annotations, h, &i)) return &t.annotations[i];
    }
    return FindAnnotationIn(m_Decl.parameters, h);
}

GxFxHandle GxFxEffect::FindNextValidTechnique(GxFxHandle technique) const
{
    if (m_Decl.techniques.empty()) return nullptr;
    if (!technique) return &m_Decl.techniques[0];
    size_t i = 0;
    if (!InVector(m_Decl.techniques, technique, &i) || i + 1 >= m_Decl.techniques.size()) return nullptr;
    return &m_Decl.techniques[i + 1];
}

GxResult GxFxEffect::GetTechniqueDesc(GxFxHandle technique, GxFxTechniqueDesc* desc) const
{
    const GxFxTechnique* t = AsTechnique(technique);
    if (!t || !desc) return GXERR_INVALIDCALL;
    desc->name = t->name.c_str();
    desc->passes = t->passes;
    desc->annotations = static_cast<uint32_t>(t->annotations.size());
    return GX_OK;
}

GxFxHandle GxFxEffect::GetAnnotationByName(GxFxHandle object, std::string_view name) const
{
    const std::vector<GxFxAnnotation>* list = nullptr;
    if (const GxFxTechnique* t = AsTechnique(object)) list = &t->annotations;
    else if (const GxFxParameter* p = AsParameter(object)) list = &p->annotations;
    if (!list) return nullptr;
    for (const auto& a : *list)
        if (a.name == name) return &a;
    return nullptr;
}

GxResult GxFxEffect::GetInt(GxFxHandle annotation, int32_t* value) const
{
    const GxFxAnnotation* a = AsAnnotation(annotation);
    if (!a || !value) return GXERR_INVALIDCALL;
    if (a->type != GXFX_PT_INT && a->type != GXFX_PT_BOOL && a->type != GXFX_PT_FLOAT) return GXERR_INVALIDCALL;
    if (a->numbers.empty()) return GXERR_INVALIDCALL;
    const double v = a->numbers[0];
    // Out-of-range values clamp rather than overflow the conversion.
    if (v >= 2147483647.0) *value = 2147483647;
    else if (v <= -2147483648.0) *value = -2147483647 - 1;
    else if (v != v) *value = 0;
    else *value = static_cast<int32_t>(v);
    return GX_OK;
}

GxResult GxFxEffect::GetDesc(GxFxEffectDesc* desc) const
{
    if (!desc) return GXERR_INVALIDCALL;
    desc->parameters = static_cast<uint32_t>(m_Decl.parameters.size());
    desc->techniques = static_cast<uint32_t>(m_Decl.techniques.size());
    return GX_OK;
}

GxFxHandle GxFxEffect::GetParameter(GxFxHandle parent, uint32_t index) const
{
    const std::vector<GxFxParameter>* list = &m_Decl.parameters;
    if (parent) {
        const GxFxParameter* p = AsParameter(parent);
        if (!p) return nullptr;
        list = &p->members;
    }
    return index < list->size() ? &(*list)[index] : nullptr;
}

GxResult GxFxEffect::GetParameterDesc(GxFxHandle parameter, GxFxParameterDesc* desc) const
{
    const GxFxParameter* p = AsParameter(parameter);
    if (!p || !desc) return GXERR_INVALIDCALL;
    desc->name = p->name.c_str();
    desc->semantic = p->semantic.empty() ? nullptr : p->semantic.c_str();
    desc->parameterClass = p->parameterClass;
    desc->type = p->type;
    desc->rows = p->rows;
    desc->columns = p->columns;
    desc->elements = p->elements;
    desc->annotations = static_cast<uint32_t>(p->annotations.size());
    desc->structMembers = static_cast<uint32_t>(p->members.size());
    desc->flags = p->flags;
    desc->bytes = p->bytes;
    return GX_OK;
}

GxResult GxFxEffect::OnLostDevice()
{
    m_Lost = true;
    return GX_OK;
}

GxResult GxFxEffect::OnResetDevice()
{
    m_Lost = false;
    return GX_OK;
}
