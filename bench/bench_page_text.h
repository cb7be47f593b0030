// The message page both text benchmarks reveal: 17 x 29 full-width characters, each line with a
// ruby group, a coloured word, an opening bracket and a closing mark that hangs or breaks.
#pragma once

#include <string>

namespace benchtext {

inline std::u16string PageText()
{
    const std::u16string line =
        u"≪漢字／かんじ≫のよみかた%a(0xFF8040)色付き%aの言葉「かぎかっこ」とくてんです。ああ";
    std::u16string s;
    for (int i = 0; i < 17; ++i) s += line;
    return s;
}

}  // namespace benchtext
