#include "tests/support/GxGamePackage.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "core/GxString.h"
#include "game/GxGameCommand.h"
#include "tests/support/GxMoaPackageBuilder.h"

int GxEndTextBuiltinIndex()
{
    size_t count = 0;
    const GxGameCommandWord* words = GxGetGameCommandWords(&count);
    for (int index = 300; index < INT_MAX; ++index) {
        bool covered = false;
        for (size_t i = 0; i < count && !covered; ++i) covered = index >= words[i].first && index <= words[i].last;
        if (!covered) return index;
    }
    return -1;
}

void GxAddGameBuiltins(GxMoaPackageBuilder& builder)
{
    size_t count = 0;
    const GxGameCommandWord* words = GxGetGameCommandWords(&count);
    std::map<int32_t, int32_t> nextInBand;  // band's first index -> the next index to give
    std::vector<std::u16string> given;
    for (size_t i = 0; i < count; ++i) {
        const GxGameCommandWord& w = words[i];
        // A word the table names twice keeps its first band: that is the one dispatch finds first.
        if (std::find(given.begin(), given.end(), w.word) != given.end()) continue;
        auto [it, fresh] = nextInBand.try_emplace(w.first, w.first);
        (void)fresh;
        const int32_t index = std::min(it->second, w.last);
        if (it->second < w.last) ++it->second;
        builder.AddBuiltin(w.word, index);
        given.emplace_back(w.word);
    }
    builder.AddBuiltin(u"endtext", GxEndTextBuiltinIndex());
}

bool GxWriteGamePackage(const std::string& gameFolder, std::string& errors)
{
    namespace fs = std::filesystem;
    const fs::path scripts = fs::path(gameFolder) / "scripts";
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator it(scripts, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(it->path());
    if (ec || files.empty()) {
        errors += "no script files under " + scripts.string() + "\n";
        return false;
    }
    std::sort(files.begin(), files.end());

    GxMoaPackageBuilder builder;
    GxAddGameBuiltins(builder);
    bool ok = true;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in.good() && !in.eof()) {
            errors += "cannot read " + file.string() + "\n";
            ok = false;
            continue;
        }
        std::string source = text.str();
        if (source.rfind("\xEF\xBB\xBF", 0) == 0) source.erase(0, 3);
        const std::string name = file.lexically_relative(scripts).generic_string();
        ok = builder.AddScript(GxUtf8ToWide(name), source) && ok;
    }
    errors += builder.GetErrors();
    if (!ok) return false;
    if (!builder.WriteFile((fs::path(gameFolder) / "bincode" / "moacode.mwb").string())) {
        errors += "cannot write " + (fs::path(gameFolder) / "bincode" / "moacode.mwb").string() + "\n";
        return false;
    }
    return true;
}
