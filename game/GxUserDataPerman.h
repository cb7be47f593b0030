// The data kept across all plays, independent of saved games: which message lines were read,
// which choices were picked, which replay scenes and event pictures were unlocked, one option
// word for the script, and (through the script host) the permanent script variables. Kept in
// "permanent.dat" in the save folder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxContentFormat.h"
#include "game/GxKeptData.h"

class GxCore;
class GxContentReaderBase;
class GxContentWriterBase;

// A growable bit vector: bit n lies in word n / 32 at bit n mod 32 (bit 0 least significant).
using GxFlagBits = std::vector<uint32_t>;
// Grows the vector to hold the bit (new words zero). A negative bit is ignored.
void GxSetFlagBit(GxFlagBits& bits, int32_t bit);
// False beyond the end and for a negative bit.
bool GxTestFlagBit(const GxFlagBits& bits, int32_t bit);

class GxUserDataPerman
{
public:
    // Keys compare as exact wide strings; the maps and the set are walked in ascending order.
    using FlagMap = std::map<std::u16string, GxFlagBits, std::less<>>;
    using LabelSet = std::set<std::u16string, std::less<>>;
    using CGMap = std::map<std::u16string, int32_t, std::less<>>;

    explicit GxUserDataPerman(GxCore* core) : m_Core(core) {}
    virtual ~GxUserDataPerman() = default;

    GxCore* GetCore() const { return m_Core; }

    // Read messages: key the script name, bit its line number + 1.
    void SetReadedMessageFlag(std::u16string_view scriptName, int32_t bit);
    bool GetReadedMessageFlag(std::u16string_view scriptName, int32_t bit) const;
    // Picked choices: key the menu's m_SelectHash, bit the choice index.
    void SetSelectedMenuFlag(std::u16string_view key, int32_t index);
    bool GetSelectedMenuFlag(std::u16string_view key, int32_t index) const;
    // Empties the labels, then adds the non-empty Label of every row of the replay table.
    void SetAllPassedReplayLabels();
    // Adds the file title of the name (no folders, nothing from its first ".") with value 1;
    // an existing key keeps its value.
    void SetShowedCG(std::u16string_view fileName);
    // Adds every non-empty picture cell of the gallery row, as written, with value 1. False for
    // a row outside the table or one whose first picture cell is empty.
    bool SetShowedCGGroup(int32_t rowID);
    // Empties the shown pictures, then adds every non-empty picture cell of the gallery table.
    void SetShowedCGAll();

    // Writes the file, binary ("BPD") or text ("TPD"). The old file is replaced only by a whole
    // new one; false (logged with the system's reason) otherwise. After a failed load of an
    // existing file, that file is first kept as path + ".bak".
    bool Save(std::u16string_view path, bool binary = true);
    // The binary Save, only when the data differs from what the file was last read or written
    // with and from what the last failed write held.
    GxKeptWrite SaveIfChanged(std::u16string_view path);
    // Reads the file (a loose file) in either form. The data changes only when the whole file
    // reads without error; false otherwise, with nothing changed.
    bool Load(std::u16string_view path);

    FlagMap m_ReadedMessageFlags;
    FlagMap m_SelectedMenuFlags;
    LabelSet m_PassedReplayLabels;
    CGMap m_ShowedCGFlags;
    GxBit32 m_ExtraOption = 0;

private:
    bool Serialize(bool binary, std::string& out) const;
    void WriteContents(GxContentWriterBase& w, bool binary) const;
    bool WriteBytes(std::u16string_view path, const std::string& bytes, bool binary);
    // After a load that took the file: its content in the binary form, for SaveIfChanged.
    void NoteLoaded(std::u16string_view path);

    GxCore* m_Core;
    // The file whose load failed; copied aside before a save replaces it.
    std::u16string m_KeepBeforeSave;
    // The binary form the file holds as far as this object knows (empty: unknown), and what
    // the last write that failed held.
    std::u16string m_FilePath;
    std::string m_FileBytes;
    std::string m_FailedBytes;
};
