#include "moa/GxMoaToken.h"

#include <cstring>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"

// ---------------------------------------------------------------- GxMoaRunPos

bool GxMoaRunPos::Write(GxContentWriterBase& writer) const
{
    writer.WriteGxS32Alt("m_Line", m_Line);
    writer.WriteGxS32Alt("m_Pos", m_Pos);
    return writer.GetErrorCount() == 0;
}

bool GxMoaRunPos::Read(GxContentReaderBase& reader)
{
    m_Line = 0;
    m_Pos = -1;
    reader.ReadGxS32Alt("m_Line", m_Line);
    reader.ReadGxS32Alt("m_Pos", m_Pos);
    return reader.GetErrorCount() == 0;
}

// ---------------------------------------------------------------- GxMoaToken

void GxMoaToken::Clear()
{
    m_TokenTypeAndScope = MOATOKEN_UNDEFINED;
    m_Int = 0;
    m_Branch.reset();
    m_Str.reset();
}

void GxMoaToken::CopyFrom(const GxMoaToken& other)
{
    Clear();
    m_TokenTypeAndScope = other.m_TokenTypeAndScope;
    m_Int = other.m_Int;
    if (other.m_Branch) m_Branch = std::make_unique<std::array<GxMoaRunPos, kBranchCount>>(*other.m_Branch);
    if (other.m_Str) m_Str = std::make_unique<std::u16string>(*other.m_Str);
}

double GxMoaToken::GetFloat() const
{
    double d;
    std::memcpy(&d, &m_Int, sizeof d);
    return d;
}

void GxMoaToken::SetFloat(double value) { std::memcpy(&m_Int, &value, sizeof value); }

GxMoaRunPos GxMoaToken::GetBranchPos(int index) const
{
    if (!m_Branch) return GxMoaRunPos();
    return (*m_Branch)[index];
}

int32_t GxMoaToken::GetBranchLine(int index) const
{
    if (!m_Branch) return 0;
    return (*m_Branch)[index].m_Line;
}

void GxMoaToken::SetBranchPos(int index, const GxMoaRunPos& pos)
{
    if (!m_Branch) m_Branch = std::make_unique<std::array<GxMoaRunPos, kBranchCount>>();
    (*m_Branch)[index].m_Line = pos.m_Line;
    (*m_Branch)[index].m_Pos = pos.m_Pos;
}

bool GxMoaToken::operator==(const GxMoaToken& other) const
{
    if (m_TokenTypeAndScope != other.m_TokenTypeAndScope || m_Int != other.m_Int) return false;
    if (!m_Str != !other.m_Str || (m_Str && *m_Str != *other.m_Str)) return false;
    if (!m_Branch != !other.m_Branch) return false;
    if (m_Branch) {
        for (int i = 0; i < kBranchCount; ++i)
            if (!(*m_Branch)[i].SamePlace((*other.m_Branch)[i])) return false;
    }
    return true;
}

bool GxMoaToken::Write(GxContentWriterBase& writer) const
{
    uint32_t flags = 0;
    if (m_Int != 0) flags |= MOATOKENFLAG_VALUE;
    if (m_Branch) flags |= MOATOKENFLAG_BRANCH;
    if (m_Str) flags |= MOATOKENFLAG_TEXT;
    writer.WriteGxBit32("m_Flags", flags);
    writer.WriteGxU32Alt("m_TokenTypeAndScope", m_TokenTypeAndScope);
    if (flags & MOATOKENFLAG_VALUE) writer.WriteGxS64("m_Int", m_Int);
    if (flags & MOATOKENFLAG_BRANCH) {
        for (const GxMoaRunPos& p : *m_Branch) p.Write(writer);
    }
    if (flags & MOATOKENFLAG_TEXT) writer.WriteGxStringStdW("m_Str", *m_Str);
    return writer.GetErrorCount() == 0;
}

bool GxMoaToken::Read(GxContentReaderBase& reader)
{
    Clear();
    // A damaged stream stops the token at its first failed value: what was read stays.
    const int errors = reader.GetErrorCount();
    auto ok = [&] { return reader.GetErrorCount() == errors; };

    GxBit32 flags = 0;
    if (!reader.ReadGxBit32("m_Flags", flags)) return false;
    if (!reader.ReadGxU32Alt("m_TokenTypeAndScope", m_TokenTypeAndScope)) return false;
    if ((flags & MOATOKENFLAG_VALUE) && !reader.ReadGxS64("m_Int", m_Int)) return false;
    if (flags & MOATOKENFLAG_BRANCH) {
        m_Branch = std::make_unique<std::array<GxMoaRunPos, kBranchCount>>();
        for (GxMoaRunPos& p : *m_Branch) {
            p.Read(reader);
            if (!ok()) return false;
        }
    }
    if (flags & MOATOKENFLAG_TEXT) {
        std::u16string text;
        if (!reader.ReadGxStringStdW("m_Str", text)) return false;
        m_Str = std::make_unique<std::u16string>(std::move(text));
    }
    return reader.GetErrorCount() == 0;
}

const GxMoaToken& GxMoaGetEndToken()
{
    static const GxMoaToken endToken(MOATOKEN_END);
    return endToken;
}
