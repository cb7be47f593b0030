// GxGraphics's names: of the screen modes, of the device's error codes and of the formats, as the
// logs and messages write them.
#include <string>

#include "core/GxFormat.h"
#include "graphics/GxGraphics.h"

namespace {

const char16_t kScreenModeNames[SCRMODE_MAX][32] = {
    u"SCRMODE_WINDOW",       u"SCRMODE_WINDOWSIZE",   u"SCRMODE_FULLSCREEN",   u"SCRMODE_FULLSCREENX2",
    u"SCRMODE_FULL320X240",  u"SCRMODE_FULL640X480",  u"SCRMODE_FULL800X600",  u"SCRMODE_FULL1024X576",
    u"SCRMODE_FULL1024X768", u"SCRMODE_FULL1280X720", u"SCRMODE_FULL1280X800", u"SCRMODE_FULL1280X960",
    u"SCRMODE_FULL1280X1024", u"SCRMODE_FULL1920X1080",
};

struct ErrorText
{
    GxResult code;
    const char16_t* text;
};

const ErrorText kErrorTexts[] = {
    {GX_OK, u"エラーは発生していません"},
    {GXERR_FAIL, u"Direct3D サブシステム内で原因不明のエラーが発生しました。"},
    {GXERR_NOINTERFACE, u"利用可能なオブジェクトインターフェイスがありません。"},
    {GXERR_NOTIMPL, u"実装されていません。"},
    {GXERR_OUTOFMEMORY, u"Direct3D が呼び出しを完了するための十分なメモリを割り当てることができませんでした。"},
    {GXERR_OUTOFVIDEOMEMORY, u"Direct3D が処理を行うのに十分なディスプレイメモリがありません。"},
    {GXERR_INVALIDARG, u"無効なパラメータが関数に渡されました。"},
    {GXERR_WRONGTEXTUREFORMAT, u"テクスチャサーフェイスのピクセルフォーマットが無効です。"},
    {GXERR_CONFLICTINGRENDERSTATE, u"現在設定されているレンダリング ステートは同時に使えません。"},
    {GXERR_CONFLICTINGTEXTUREFILTER, u"現在のテクスチャフィルタは同時に使えません。"},
    {GXERR_CONFLICTINGTEXTUREPALETTE, u"現在のテクスチャは同時に使えません。パレットの共有ができません。"},
    {GXERR_DEVICELOST, u"デバイスは消失していますが現在リセットできません。レンダリングは不可能です。"},
    {GXERR_DEVICENOTRESET, u"デバイスは消失していますが、現在リセットできます。"},
    {GXERR_DRIVERINTERNALERROR, u"内部ドライバ エラー。"},
    {GXERR_INVALIDCALL, u"メソッドの呼び出しが無効です。例えばメソッドのパラメータが有効なポインタではありません。"},
    {GXERR_INVALIDDEVICE, u"要求されたデバイスタイプが無効です。"},
    {GXERR_MOREDATA, u"指定されたバッファサイズに保持できる以上のデータが存在します。"},
    {GXERR_NOTAVAILABLE, u"このデバイスは問い合わせたテクニックをサポートしていません。"},
    {GXERR_NOTFOUND, u"要求された項目が見つかりませんでした。"},
    {GXERR_TOOMANYOPERATIONS,
     u"デバイスがサポートしている数より多くのテクスチャフィルタリング処理を、アプリケーションが要求しています。"},
    {GXERR_UNSUPPORTEDALPHAARG,
     u"アルファ チャンネルに対して指定されているテクスチャブレンディング引数を、デバイスがサポートしていません。"},
    {GXERR_UNSUPPORTEDALPHAOPERATION,
     u"アルファ チャンネルに対して指定されているテクスチャブレンディング処理を、デバイスがサポートしていません。"},
    {GXERR_UNSUPPORTEDCOLORARG, u"色値に対して指定されているテクスチャブレンディング引数を、デバイスがサポートしていません。"},
    {GXERR_UNSUPPORTEDCOLOROPERATION,
     u"色値に対して指定されているテクスチャブレンディング処理を、デバイスがサポートしていません。"},
    {GXERR_UNSUPPORTEDFACTORVALUE, u"デバイスが指定されたテクスチャ係数値をサポートしていません。"},
    {GXERR_UNSUPPORTEDTEXTUREFILTER, u"デバイスが指定されたテクスチャフィルタをサポートしていません。"},
    {GXERR_CANNOTMODIFYINDEXBUFFER, u"インデックス バッファを変更できません。"},
    {GXERR_INVALIDMESH, u"メッシュが無効です。"},
    {GXERR_CANNOTATTRSORT, u"最適化テクニックとして、属性のソート (D3DXMESHOPT_ATTRSORT) はサポートされていません。"},
    {GXERR_SKINNINGNOTSUPPORTED, u"スキニングがサポートされていません。"},
    {GXERR_TOOMANYINFLUENCES, u"指定された影響が多すぎます。"},
    {GXERR_INVALIDDATA, u"データが無効です。"},
    {GXERR_LOADEDMESHHASNODATA, u"メッシュにデータが含まれていません。"},
    {GXERR_DUPLICATENAMEDFRAGMENT, u"同じ名前のフラグメントが既に存在しています。"},
    {GXERR_CANNOTREMOVELASTITEM, u"最後の項目が削除できません。"},
};

struct FormatName
{
    GxFormat format;
    const char16_t* name;
};

#define GX_FORMAT_NAME(f) {GXFMT_##f, u"D3DFMT_" #f}
const FormatName kFormatNames[] = {
    GX_FORMAT_NAME(UNKNOWN),      GX_FORMAT_NAME(R8G8B8),        GX_FORMAT_NAME(A8R8G8B8),
    GX_FORMAT_NAME(X8R8G8B8),     GX_FORMAT_NAME(R5G6B5),        GX_FORMAT_NAME(X1R5G5B5),
    GX_FORMAT_NAME(A1R5G5B5),     GX_FORMAT_NAME(A4R4G4B4),      GX_FORMAT_NAME(R3G3B2),
    GX_FORMAT_NAME(A8),           GX_FORMAT_NAME(A8R3G3B2),      GX_FORMAT_NAME(X4R4G4B4),
    GX_FORMAT_NAME(A2B10G10R10),  GX_FORMAT_NAME(A8B8G8R8),      GX_FORMAT_NAME(X8B8G8R8),
    GX_FORMAT_NAME(G16R16),       GX_FORMAT_NAME(A2R10G10B10),   GX_FORMAT_NAME(A16B16G16R16),
    GX_FORMAT_NAME(A8P8),         GX_FORMAT_NAME(P8),            GX_FORMAT_NAME(L8),
    GX_FORMAT_NAME(L16),          GX_FORMAT_NAME(A8L8),          GX_FORMAT_NAME(A4L4),
    GX_FORMAT_NAME(V8U8),         GX_FORMAT_NAME(Q8W8V8U8),      GX_FORMAT_NAME(V16U16),
    GX_FORMAT_NAME(Q16W16V16U16), GX_FORMAT_NAME(CxV8U8),        GX_FORMAT_NAME(L6V5U5),
    GX_FORMAT_NAME(X8L8V8U8),     GX_FORMAT_NAME(A2W10V10U10),   GX_FORMAT_NAME(D16_LOCKABLE),
    GX_FORMAT_NAME(D32),          GX_FORMAT_NAME(D15S1),         GX_FORMAT_NAME(D24S8),
    GX_FORMAT_NAME(D24X8),        GX_FORMAT_NAME(D24X4S4),       GX_FORMAT_NAME(D32F_LOCKABLE),
    GX_FORMAT_NAME(D24FS8),       GX_FORMAT_NAME(D16),           GX_FORMAT_NAME(VERTEXDATA),
    GX_FORMAT_NAME(INDEX16),      GX_FORMAT_NAME(INDEX32),       GX_FORMAT_NAME(R16F),
    GX_FORMAT_NAME(G16R16F),      GX_FORMAT_NAME(A16B16G16R16F), GX_FORMAT_NAME(R32F),
    GX_FORMAT_NAME(G32R32F),      GX_FORMAT_NAME(A32B32G32R32F), GX_FORMAT_NAME(DXT1),
    GX_FORMAT_NAME(YUY2),         GX_FORMAT_NAME(DXT2),          GX_FORMAT_NAME(DXT3),
    GX_FORMAT_NAME(DXT4),         GX_FORMAT_NAME(DXT5),          GX_FORMAT_NAME(UYVY),
    GX_FORMAT_NAME(R8G8_B8G8),    GX_FORMAT_NAME(G8R8_G8B8),
};
#undef GX_FORMAT_NAME
static_assert(sizeof(kFormatNames) / sizeof(kFormatNames[0]) == 59, "59 named formats");

}  // namespace

const char16_t* GxGraphics::GetScreenModeName(int32_t mode)
{
    if (mode < 0 || mode >= SCRMODE_MAX) return u"";
    return kScreenModeNames[mode];
}

std::u16string GxGraphics::GetD3DErrorString(GxResult result)
{
    for (const auto& e : kErrorTexts)
        if (e.code == result) return e.text;
    return GxFormatString(u"未知のエラーです。(code:0x%x)", result);
}

std::u16string GxGraphics::GetFormatName(GxFormat format)
{
    for (const auto& f : kFormatNames)
        if (f.format == format) return f.name;
    return u"ERROR";
}
