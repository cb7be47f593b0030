#include "platform/GxLocale.h"

#include <cstdlib>
#include <ctime>

#include "core/GxString.h"

namespace {

struct LcidEntry
{
    const char* name;   // "ll_TT" or "ll"
    uint32_t lcid;
};

// Language and territory first; a language alone gives its most common territory.
constexpr LcidEntry kLcidTable[] = {
    {"ja_JP", 0x0411}, {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"zh_TW", 0x0404}, {"zh_CN", 0x0804}, {"zh_HK", 0x0C04},
    {"zh_SG", 0x1004}, {"ko_KR", 0x0412}, {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07},
    {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"es_ES", 0x0C0A},
    {"es_MX", 0x080A}, {"it_IT", 0x0410}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"ru_RU", 0x0419},
    {"nl_NL", 0x0413}, {"sv_SE", 0x041D}, {"fi_FI", 0x040B}, {"da_DK", 0x0406}, {"nb_NO", 0x0414},
    {"pl_PL", 0x0415}, {"cs_CZ", 0x0405}, {"hu_HU", 0x040E}, {"tr_TR", 0x041F}, {"el_GR", 0x0408},
    {"th_TH", 0x041E}, {"vi_VN", 0x042A}, {"id_ID", 0x0421}, {"uk_UA", 0x0422}, {"ar_SA", 0x0401},
    {"he_IL", 0x040D},
    {"ja", 0x0411}, {"en", 0x0409}, {"zh", 0x0804}, {"ko", 0x0412}, {"de", 0x0407}, {"fr", 0x040C},
    {"es", 0x0C0A}, {"it", 0x0410}, {"pt", 0x0416}, {"ru", 0x0419}, {"nl", 0x0413}, {"sv", 0x041D},
    {"fi", 0x040B}, {"da", 0x0406}, {"nb", 0x0414}, {"no", 0x0414}, {"pl", 0x0415}, {"cs", 0x0405},
    {"hu", 0x040E}, {"tr", 0x041F}, {"el", 0x0408}, {"th", 0x041E}, {"vi", 0x042A}, {"id", 0x0421},
    {"uk", 0x0422}, {"ar", 0x0401}, {"he", 0x040D},
};

constexpr uint32_t kDefaultLcid = 0x0409;

uint32_t Lookup(std::string_view key)
{
    for (const LcidEntry& e : kLcidTable) {
        if (key == e.name) return e.lcid;
    }
    return 0;
}

}  // namespace

uint32_t GxLocaleNameToLcid(std::string_view localeName)
{
    // Drop the code set and the modifier: "ja_JP.UTF-8@x" -> "ja_JP".
    const size_t cut = localeName.find_first_of(".@");
    std::string_view base = localeName.substr(0, cut);
    if (base.empty() || base == "C" || base == "POSIX") return kDefaultLcid;
    if (uint32_t id = Lookup(base)) return id;
    const size_t underscore = base.find('_');
    if (underscore != std::string_view::npos) {
        if (uint32_t id = Lookup(base.substr(0, underscore))) return id;
    }
    return kDefaultLcid;
}

uint32_t GxGetSystemDefaultLcid()
{
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return GxLocaleNameToLcid(value);
    }
    return kDefaultLcid;
}

std::u16string GxGetTimeZoneStandardName()
{
    tzset();
    return GxAnsiToWide(tzname[0] ? tzname[0] : "");
}

int32_t GxGetTimeZoneBias()
{
    tzset();
    // timezone: seconds west of UTC in standard time, the sign the bias uses.
    return static_cast<int32_t>(timezone / 60);
}
