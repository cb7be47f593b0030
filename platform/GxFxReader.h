// Effect files (".fx") without a shader compiler: our own reader of the declarations an effect
// exposes (parameters with their types, semantics and annotations; techniques with their
// annotations and passes) and an effect object over them that answers the queries the engine
// makes of an effect. Function bodies, pass states and initialisers are skipped by bracket
// matching, never compiled; preprocessor lines are skipped (no macro expansion, no includes).
//
// Names and texts stay as the file's bytes (8-bit, the ANSI code page). Descriptions carry the
// classic numeric codes of parameter classes and types.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/GxDeviceTypes.h"

enum GxFxParameterClass : uint32_t {
    GXFX_PC_SCALAR = 0,
    GXFX_PC_VECTOR = 1,
    GXFX_PC_MATRIX_ROWS = 2,
    GXFX_PC_MATRIX_COLUMNS = 3,
    GXFX_PC_OBJECT = 4,
    GXFX_PC_STRUCT = 5,
};

enum GxFxParameterType : uint32_t {
    GXFX_PT_VOID = 0,
    GXFX_PT_BOOL = 1,
    GXFX_PT_INT = 2,
    GXFX_PT_FLOAT = 3,
    GXFX_PT_STRING = 4,
    GXFX_PT_TEXTURE = 5,
    GXFX_PT_TEXTURE1D = 6,
    GXFX_PT_TEXTURE2D = 7,
    GXFX_PT_TEXTURE3D = 8,
    GXFX_PT_TEXTURECUBE = 9,
    GXFX_PT_SAMPLER = 10,
    GXFX_PT_SAMPLER1D = 11,
    GXFX_PT_SAMPLER2D = 12,
    GXFX_PT_SAMPLER3D = 13,
    GXFX_PT_SAMPLERCUBE = 14,
    GXFX_PT_PIXELSHADER = 15,
    GXFX_PT_VERTEXSHADER = 16,
};

// Parameter flags.
constexpr uint32_t GXFX_PARAMETER_SHARED = 1;

// Effect creation flags (only stored: nothing is validated or compiled).
constexpr uint32_t GXFX_SKIPVALIDATION = 2;

struct GxFxAnnotation
{
    std::string name;
    uint32_t parameterClass = GXFX_PC_SCALAR;
    uint32_t type = GXFX_PT_VOID;
    std::vector<double> numbers;  // numeric values in order (booleans 0 / 1)
    std::string text;             // string annotations
};

struct GxFxParameter
{
    std::string name;
    std::string semantic;  // empty when none
    uint32_t parameterClass = GXFX_PC_SCALAR;
    uint32_t type = GXFX_PT_VOID;
    uint32_t rows = 0;
    uint32_t columns = 0;
    uint32_t elements = 0;  // 0 unless an array
    uint32_t flags = 0;
    uint32_t bytes = 0;
    std::vector<GxFxAnnotation> annotations;
    std::vector<GxFxParameter> members;  // structure members
};

struct GxFxTechnique
{
    std::string name;
    std::vector<GxFxAnnotation> annotations;
    uint32_t passes = 0;
};

struct GxFxDeclarations
{
    std::vector<GxFxParameter> parameters;  // in declaration order
    std::vector<GxFxTechnique> techniques;  // in declaration order
};

// Reads the declarations of effect source text. False on a syntax error; errors then holds one
// line "(line,column): error: message\n" (1-based) and out what was read before it.
bool GxReadFxDeclarations(std::string_view source, GxFxDeclarations& out, std::string& errors);

// ---- The effect object ---------------------------------------------------------------------------

// Handles point at records inside the effect; null is "none".
using GxFxHandle = const void*;

struct GxFxEffectDesc
{
    uint32_t parameters = 0;
    uint32_t techniques = 0;
};

struct GxFxTechniqueDesc
{
    const char* name = nullptr;
    uint32_t passes = 0;
    uint32_t annotations = 0;
};

struct GxFxParameterDesc
{
    const char* name = nullptr;
    const char* semantic = nullptr;  // null when none
    uint32_t parameterClass = 0;
    uint32_t type = 0;
    uint32_t rows = 0;
    uint32_t columns = 0;
    uint32_t elements = 0;
    uint32_t annotations = 0;
    uint32_t structMembers = 0;
    uint32_t flags = 0;
    uint32_t bytes = 0;
};

class GxFxEffect
{
public:
    // Reads the effect from memory. On a syntax error: GXERR_INVALIDDATA and the reader's text
    // in errors; no effect.
    static GxResult Create(const void* data, uint32_t size, uint32_t flags, std::unique_ptr<GxFxEffect>& effect,
                           std::string& errors);

    // Techniques after the given one (none: the first); none past the last. Every technique is
    // valid: there is no code to validate.
    GxFxHandle FindNextValidTechnique(GxFxHandle technique) const;
    GxResult GetTechniqueDesc(GxFxHandle technique, GxFxTechniqueDesc* desc) const;
    // An annotation of a technique or a parameter, by exact name.
    GxFxHandle GetAnnotationByName(GxFxHandle object, std::string_view name) const;
    // An integer, boolean or float annotation's first value (floats truncated); strings fail.
    GxResult GetInt(GxFxHandle annotation, int32_t* value) const;
    GxResult GetDesc(GxFxEffectDesc* desc) const;
    // Top-level parameter index (parent none), or member index of a structure parameter.
    GxFxHandle GetParameter(GxFxHandle parent, uint32_t index) const;
    GxResult GetParameterDesc(GxFxHandle parameter, GxFxParameterDesc* desc) const;
    GxResult OnLostDevice();
    GxResult OnResetDevice();

    uint32_t GetFlags() const { return m_Flags; }
    bool IsLost() const { return m_Lost; }
    const GxFxDeclarations& GetDeclarations() const { return m_Decl; }

private:
    GxFxEffect() = default;
    const GxFxTechnique* AsTechnique(GxFxHandle h) const;
    const GxFxParameter* AsParameter(GxFxHandle h) const;
    const GxFxAnnotation* AsAnnotation(GxFxHandle h) const;

    GxFxDeclarations m_Decl;
    uint32_t m_Flags = 0;
    bool m_Lost = false;
};
