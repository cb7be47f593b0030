#include "game/GxGameLookup.h"

#include <initializer_list>
#include <string_view>

#include "core/GxFile.h"
#include "core/GxString.h"
#include "game/DBBGMMode.h"
#include "game/DBCGMode.h"
#include "game/DBRPMode.h"
#include "game/DBRukoChar.h"

namespace {

// The gallery walks these entries; the 32nd cell of a line is kept but takes part nowhere.
constexpr int32_t kCGEntries = 31;

bool FindWithExtensions(std::u16string& name, std::initializer_list<std::u16string_view> extensions)
{
    if (name.empty()) return false;
    if (GxFileExists(name) != 0) return true;
    for (std::u16string_view ext : extensions) {
        std::u16string candidate = name;
        candidate += ext;
        if (GxFileExists(candidate) != 0) {
            name = std::move(candidate);
            return true;
        }
    }
    return false;
}

}  // namespace

int32_t GxFindCharID(const std::u16string& name)
{
    const DBRukoChar& table = GxGetDBRukoChar();
    for (int32_t i = 0; i < DBRukoChar::kRowCapacity; ++i) {
        const std::u16string& n = table.GetRow(i)->CharName;
        if (!n.empty() && n == name) return i;
    }
    return -1;
}

uint32_t GxFindBGMLoopPos(const std::u16string& path)
{
    const std::u16string fileName = GxGetFileName(path);
    const DBBGMMode& table = GxGetDBBGMMode();
    for (int32_t i = 0; i < DBBGMMode::kRowCapacity; ++i) {
        const DBBGMModeData* row = table.GetRow(i);
        if (!row->FileName.empty() && GxCompareNoCase(row->FileName, fileName) == 0) return row->LoopPosTime;
    }
    return 0;
}

bool GxIsReplayLabel(const std::u16string& label)
{
    const DBRPMode& table = GxGetDBRPMode();
    for (int32_t i = 0; i < DBRPMode::kRowCapacity; ++i) {
        const std::u16string& l = table.GetRow(i)->Label;
        if (!l.empty() && l == label) return true;
    }
    return false;
}

bool GxFindCGByFileTitle(const std::u16string& path, int32_t* row, int32_t* entry)
{
    const std::u16string title = GxGetFileTitle(path);
    const DBCGMode& table = GxGetDBCGMode();
    for (int32_t r = 0; r < DBCGMode::kRowCapacity; ++r) {
        const DBCGModeData* data = table.GetRow(r);
        for (int32_t k = 0; k < kCGEntries; ++k) {
            const std::u16string& name = data->FileName[k];
            if (name.empty() || GxCompareNoCase(name, title) != 0) continue;
            if (row) *row = r;
            if (entry) *entry = k;
            return true;
        }
    }
    if (row) *row = 0;
    if (entry) *entry = 0;
    return false;
}

bool GxFindImageFile(std::u16string& name)
{
    return FindWithExtensions(name, {u".png", u".dds", u".tga", u".jpg", u".bmp"});
}

bool GxFindSoundFile(std::u16string& name) { return FindWithExtensions(name, {u".ogg", u".wav"}); }

bool GxFindMovieFile(std::u16string& name) { return FindWithExtensions(name, {u".mpg", u".avi"}); }

bool GxFindMotionFile(std::u16string& name) { return FindWithExtensions(name, {u".gnc"}); }

int32_t GxFindVoiceFile(std::u16string& name)
{
    const DBRukoChar& table = GxGetDBRukoChar();
    for (int32_t i = 1; i < DBRukoChar::kRowCapacity; ++i) {
        const std::u16string& folder = table.GetRow(i)->VoicePath;
        if (folder.empty() || folder == u"*") continue;
        const std::u16string base = folder + name;
        for (std::u16string_view ext : {std::u16string_view(), std::u16string_view(u".ogg"), std::u16string_view(u".wav")}) {
            std::u16string candidate = base;
            candidate += ext;
            if (GxFileExists(candidate) != 0) {
                name = std::move(candidate);
                return i;
            }
        }
    }
    return 0;
}

void GxSplitCGModeFileNames()
{
    DBCGMode& pictures = GxGetDBCGMode();
    DBCGMode& params = GxGetDBCGModeParam();
    // Rows not made yet are empty: nothing to split.
    for (int32_t r = 0; r < pictures.GetRowsMade(); ++r) {
        DBCGModeData* row = pictures.GetRow(r);
        for (int32_t k = 0; k < kCGEntries; ++k) {
            std::u16string& cell = row->FileName[k];
            if (cell.empty()) continue;
            std::u16string field[3];
            size_t start = 0;
            for (int f = 0; f < 3; ++f) {
                // The third field takes the rest, "|" included: exactly three fields.
                const size_t bar = f < 2 ? cell.find(u'|', start) : std::u16string::npos;
                field[f] = cell.substr(start, bar == std::u16string::npos ? std::u16string::npos : bar - start);
                if (bar == std::u16string::npos) break;
                start = bar + 1;
            }
            params.GetRow(r)->FileName[k] = field[1] + u"|" + field[2];
            cell = field[0];
        }
    }
}

void GxCountCGModeFiles()
{
    DBCGMode& table = GxGetDBCGMode();
    for (int32_t r = 0; r < table.GetRowsMade(); ++r) {
        DBCGModeData* row = table.GetRow(r);
        if (row->FileName[0].empty() || row->Count != 0) continue;
        int32_t count = 0;
        for (int32_t k = 0; k < kCGEntries; ++k) count += !row->FileName[k].empty();
        row->Count = count;
    }
}
