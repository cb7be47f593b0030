#include "game/GxUserDataPerman.h"

#include "core/GxAtomicFile.h"
#include "core/GxBinBuffer.h"
#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "core/GxContentWriter.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/DBCGMode.h"
#include "game/DBRPMode.h"
#include "moa/GxMoaScriptHost.h"

namespace {

constexpr uint32_t kVersion = 100;
// Picture cells of a gallery row that take part (the 32nd is kept but unused).
constexpr int kCGCells = 31;

struct Contents
{
    GxUserDataPerman::FlagMap readed;
    GxUserDataPerman::FlagMap selected;
    GxUserDataPerman::LabelSet labels;
    GxUserDataPerman::CGMap cg;
    GxBit32 extra = 0;
};

void WriteFlagMap(GxContentWriterBase& w, const char* name, const GxUserDataPerman::FlagMap& map)
{
    w.WriteGxU32(name, static_cast<uint32_t>(map.size()));
    for (const auto& [key, bits] : map) {
        w.WriteGxStringStdW("Key", key);
        w.WriteGxU32("Flags", static_cast<uint32_t>(bits.size()));
        for (uint32_t word : bits) w.WriteGxU32("Value", word);
    }
}

// Counts come from the file: nothing is sized from them, every element is read before it is
// stored, and reading stops at the first error, so a damaged count costs no more memory than
// the bytes that are there.
void ReadFlagMap(GxContentReaderBase& r, const char* name, GxUserDataPerman::FlagMap& map)
{
    const int errors = r.GetErrorCount();
    uint32_t count = 0;
    r.ReadGxU32(name, count);
    for (uint32_t i = 0; i < count && r.GetErrorCount() == errors; ++i) {
        std::u16string key;
        uint32_t words = 0;
        r.ReadGxStringStdW("Key", key);
        r.ReadGxU32("Flags", words);
        GxFlagBits bits;
        for (uint32_t k = 0; k < words && r.GetErrorCount() == errors; ++k) {
            uint32_t word = 0;
            if (r.ReadGxU32("Value", word)) bits.push_back(word);
        }
        if (r.GetErrorCount() == errors) map.insert_or_assign(std::move(key), std::move(bits));
    }
}

void ReadContents(GxContentReaderBase& r, Contents& c)
{
    ReadFlagMap(r, "m_ReadedMessageFlags", c.readed);
    ReadFlagMap(r, "m_SelectedMenuFlags", c.selected);
    const int errors = r.GetErrorCount();
    uint32_t count = 0;
    if (r.GetErrorCount() == errors) r.ReadGxU32("m_PassedReplayLabels", count);
    for (uint32_t i = 0; i < count && r.GetErrorCount() == errors; ++i) {
        std::u16string key;
        if (r.ReadGxStringStdW("Key", key)) c.labels.insert(std::move(key));
    }
    count = 0;
    if (r.GetErrorCount() == errors) r.ReadGxU32("m_ShowedCGFlags", count);
    for (uint32_t i = 0; i < count && r.GetErrorCount() == errors; ++i) {
        std::u16string key;
        int32_t value = 0;
        r.ReadGxStringStdW("Key", key);
        r.ReadGxS32("Value", value);
        if (r.GetErrorCount() == errors) c.cg.insert_or_assign(std::move(key), value);
    }
    if (r.GetErrorCount() == errors) r.ReadGxBit32("m_ExtraOption", c.extra);
}

std::unique_ptr<GxContentReaderBase> MakeReader(const GxBinBuffer& buffer, const char*& tag)
{
    if (buffer.GetFirstByte() == 'T') {
        tag = "TPD";
        return std::make_unique<GxContentTextReader>(buffer);
    }
    tag = "BPD";
    return std::make_unique<GxContentBinaryReader>(buffer);
}

}  // namespace

void GxSetFlagBit(GxFlagBits& bits, int32_t bit)
{
    if (bit < 0) return;
    const size_t word = static_cast<size_t>(bit) / 32;
    if (word >= bits.size()) bits.resize(word + 1, 0);
    bits[word] |= 1u << (bit % 32);
}

bool GxTestFlagBit(const GxFlagBits& bits, int32_t bit)
{
    if (bit < 0) return false;
    const size_t word = static_cast<size_t>(bit) / 32;
    return word < bits.size() && (bits[word] >> (bit % 32) & 1u) != 0;
}

void GxUserDataPerman::SetReadedMessageFlag(std::u16string_view scriptName, int32_t bit)
{
    auto it = m_ReadedMessageFlags.find(scriptName);
    if (it == m_ReadedMessageFlags.end()) it = m_ReadedMessageFlags.emplace(std::u16string(scriptName), GxFlagBits()).first;
    GxSetFlagBit(it->second, bit);
}

bool GxUserDataPerman::GetReadedMessageFlag(std::u16string_view scriptName, int32_t bit) const
{
    auto it = m_ReadedMessageFlags.find(scriptName);
    return it != m_ReadedMessageFlags.end() && GxTestFlagBit(it->second, bit);
}

void GxUserDataPerman::SetSelectedMenuFlag(std::u16string_view key, int32_t index)
{
    auto it = m_SelectedMenuFlags.find(key);
    if (it == m_SelectedMenuFlags.end()) it = m_SelectedMenuFlags.emplace(std::u16string(key), GxFlagBits()).first;
    GxSetFlagBit(it->second, index);
}

bool GxUserDataPerman::GetSelectedMenuFlag(std::u16string_view key, int32_t index) const
{
    auto it = m_SelectedMenuFlags.find(key);
    return it != m_SelectedMenuFlags.end() && GxTestFlagBit(it->second, index);
}

void GxUserDataPerman::SetAllPassedReplayLabels()
{
    m_PassedReplayLabels.clear();
    const DBRPMode& table = GxGetDBRPMode();
    for (int32_t i = 0; i < DBRPMode::kRowCapacity; ++i) {
        const std::u16string& label = table.GetRow(i)->Label;
        if (!label.empty()) m_PassedReplayLabels.insert(label);
    }
}

void GxUserDataPerman::SetShowedCG(std::u16string_view fileName)
{
    m_ShowedCGFlags.emplace(GxGetFileTitle(fileName), 1);
}

bool GxUserDataPerman::SetShowedCGGroup(int32_t rowID)
{
    if (rowID < 0 || rowID >= DBCGMode::kRowCapacity) return false;
    const DBCGModeData* row = static_cast<const DBCGMode&>(GxGetDBCGMode()).GetRow(rowID);
    if (row->FileName[0].empty()) return false;
    for (int k = 0; k < kCGCells; ++k)
        if (!row->FileName[k].empty()) m_ShowedCGFlags.emplace(row->FileName[k], 1);
    return true;
}

void GxUserDataPerman::SetShowedCGAll()
{
    m_ShowedCGFlags.clear();
    const DBCGMode& table = GxGetDBCGMode();
    for (int32_t i = 0; i < DBCGMode::kRowCapacity; ++i) {
        const DBCGModeData* row = table.GetRow(i);
        for (int k = 0; k < kCGCells; ++k)
            if (!row->FileName[k].empty()) m_ShowedCGFlags.insert_or_assign(row->FileName[k], 1);
    }
}

void GxUserDataPerman::WriteContents(GxContentWriterBase& w, bool binary) const
{
    w.WriteHeader(binary ? "BPD" : "TPD", kVersion);
    WriteFlagMap(w, "m_ReadedMessageFlags", m_ReadedMessageFlags);
    WriteFlagMap(w, "m_SelectedMenuFlags", m_SelectedMenuFlags);
    w.WriteGxU32("m_PassedReplayLabels", static_cast<uint32_t>(m_PassedReplayLabels.size()));
    for (const std::u16string& label : m_PassedReplayLabels) w.WriteGxStringStdW("Key", label);
    w.WriteGxU32("m_ShowedCGFlags", static_cast<uint32_t>(m_ShowedCGFlags.size()));
    for (const auto& [key, value] : m_ShowedCGFlags) {
        w.WriteGxStringStdW("Key", key);
        w.WriteGxS32("Value", value);
    }
    w.WriteGxBit32("m_ExtraOption", m_ExtraOption);
    if (g_MoaEx) {
        g_MoaEx->WriteVariables(w, MOASAVE_PERMAN);
    } else {
        GxMoa none;  // no script: an empty block keeps the file readable
        none.WriteVariables(w, MOASAVE_PERMAN);
    }
    if (g_MoaWorkerEx) {
        g_MoaWorkerEx->WriteScriptVariables(w, MOASAVE_PERMAN);
    } else {
        GxMoa host;
        GxMoaWorker none(&host);
        none.WriteScriptVariables(w, MOASAVE_PERMAN);
    }
}

bool GxUserDataPerman::Serialize(bool binary, std::string& out) const
{
    return GxWriteContentBytes(binary, [&](GxContentWriterBase& w) { WriteContents(w, binary); }, out);
}

bool GxUserDataPerman::WriteBytes(std::u16string_view path, const std::string& bytes, bool binary)
{
    if (!m_KeepBeforeSave.empty() && m_KeepBeforeSave == path) {
        // The file that did not load may still hold the player's progress: keep it aside once.
        GxBinBuffer old;
        if (GxDiskFileExists(path) && GxFileLoadToBinBuffer(old, path, false, false) &&
            !GxAtomicWriteFile(m_KeepBeforeSave + u".bak", old.GetBuffer(), old.GetSize())) {
            GxPrintErrorLog(u"Error/GxUserDataPerman Save Failed(%s.bak: %s)\n", m_KeepBeforeSave,
                            GxGetAtomicWriteFailure());
            if (binary) m_FailedBytes = bytes;
            return false;
        }
        m_KeepBeforeSave.clear();
    }
    if (!GxAtomicWriteFile(path, bytes.data(), bytes.size())) {
        GxPrintErrorLog(u"Error/GxUserDataPerman Save Failed(%s: %s)\n", std::u16string(path), GxGetAtomicWriteFailure());
        if (binary) m_FailedBytes = bytes;
        return false;
    }
    m_FilePath.assign(path);
    m_FailedBytes.clear();
    if (binary) m_FileBytes = bytes;
    else m_FileBytes.clear();  // the file holds the text form now
    return true;
}

void GxUserDataPerman::NoteLoaded(std::u16string_view path)
{
    m_FilePath.assign(path);
    m_FailedBytes.clear();
    if (!Serialize(true, m_FileBytes)) m_FileBytes.clear();
}

bool GxUserDataPerman::Save(std::u16string_view path, bool binary)
{
    std::string bytes;
    if (!Serialize(binary, bytes)) {
        GxPrintErrorLog(u"Error/GxUserDataPerman Save Failed(%s)\n", std::u16string(path));
        return false;
    }
    return WriteBytes(path, bytes, binary);
}

GxKeptWrite GxUserDataPerman::SaveIfChanged(std::u16string_view path)
{
    std::string bytes;
    if (!Serialize(true, bytes)) {
        GxPrintErrorLog(u"Error/GxUserDataPerman Save Failed(%s)\n", std::u16string(path));
        return GxKeptWrite::Failed;
    }
    if (path == m_FilePath && (bytes == m_FileBytes || bytes == m_FailedBytes)) return GxKeptWrite::Unchanged;
    return WriteBytes(path, bytes, true) ? GxKeptWrite::Written : GxKeptWrite::Failed;
}

bool GxUserDataPerman::Load(std::u16string_view path)
{
    if (!GxDiskFileExists(path)) return false;
    const std::u16string file(path);
    GxBinBuffer buffer;
    if (!GxFileLoadToBinBuffer(buffer, path, false, false) || buffer.GetSize() == 0) {
        m_KeepBeforeSave = file;
        return false;
    }

    // First the whole file into temporaries and throw-away script objects: the data changes
    // only when everything reads, so a damaged file never leaves a mix for the next save.
    Contents read;
    {
        const char* tag = nullptr;
        std::unique_ptr<GxContentReaderBase> reader = MakeReader(buffer, tag);
        uint32_t version = 0;
        if (!reader->ReadHeader(tag, version)) {
            m_KeepBeforeSave = file;
            return false;
        }
        ReadContents(*reader, read);
        GxMoa host;
        GxMoaWorker worker(&host);
        if (reader->GetErrorCount() == 0) host.ReadVariables(*reader, MOASAVE_PERMAN);
        if (reader->GetErrorCount() == 0) worker.ReadScriptVariables(*reader, MOASAVE_PERMAN);
        if (reader->GetErrorCount() != 0) {
            GxPrintErrorLog(u"Error/GxUserDataPerman Load Failed(%s)\n", file);
            m_KeepBeforeSave = file;
            return false;
        }
    }

    m_ReadedMessageFlags = std::move(read.readed);
    m_SelectedMenuFlags = std::move(read.selected);
    m_PassedReplayLabels = std::move(read.labels);
    m_ShowedCGFlags = std::move(read.cg);
    m_ExtraOption = read.extra;
    m_KeepBeforeSave.clear();

    // The file is known sound: read it again for the script's permanent variables.
    if (g_MoaEx || g_MoaWorkerEx) {
        const char* tag = nullptr;
        std::unique_ptr<GxContentReaderBase> reader = MakeReader(buffer, tag);
        uint32_t version = 0;
        reader->ReadHeader(tag, version);
        Contents skip;
        ReadContents(*reader, skip);
        GxMoa host;
        if (g_MoaEx) g_MoaEx->ReadVariables(*reader, MOASAVE_PERMAN);
        else host.ReadVariables(*reader, MOASAVE_PERMAN);
        if (g_MoaWorkerEx) g_MoaWorkerEx->ReadScriptVariables(*reader, MOASAVE_PERMAN);
        NoteLoaded(path);
        return reader->GetErrorCount() == 0;
    }
    NoteLoaded(path);
    return true;
}
