// The character table ("data/db_rukochar.txt"): one row per character; the row index is the
// character ID that the script and the saved voice records use.
// Row r has ID r; rows that no line set are empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/GxDBBase.h"

struct DBRukoCharData : GxDBRow
{
    std::u16string CharName;
    int32_t SubLayerNum = 0;            // sub-layers of the stand picture
    std::u16string StandPath;           // folder of the stand pictures
    std::u16string NCProjFileName;      // motion project
    std::u16string VoicePath;           // voice folder; empty or "*": none
    int32_t VoiceVolumeID = 0;          // which voice volume of the options applies
    std::u16string Comment;
};

class DBRukoChar : public GxDBTable<DBRukoCharData, 80>
{
public:
    static constexpr int32_t kCellCount = 8;
    // The most sub-layers a stand picture gets: the main play screen makes that many for each
    // character at start-up, so a larger count in the file is cut to it (logged).
    static constexpr int32_t kMaxSubLayers = 256;

    DBRukoChar();
    bool Load(const std::u16string& path) override;
};

// The character table.
DBRukoChar& GxGetDBRukoChar();
