#include "moa/GxMoaEditorLaunch.h"

#include "core/GxFile.h"
#include "core/GxString.h"
#include "platform/GxPosixFile.h"
#include "platform/GxProcess.h"

namespace {

struct EditorForm
{
    const char16_t* exeName;
    // A command-line template: "%file" (quoted where it stands alone), "%line" and "%pos".
    const char16_t* arguments;
};

// Tested in order. The Windows editors keep the forms their users know; the Linux editors
// follow.
const EditorForm kEditors[] = {
    {u"hidemaru.exe", u"\"%file\" /jx%line,%pos"},
    {u"sakura.exe", u"-Y=%line -X=%pos -- \"%file\""},
    {u"emeditor.exe", u"/l %line \"%file\""},
    {u"terapad.exe", u"/jl=%line \"%file\""},
    {u"apsaly.exe", u"/j%line /c%pos /d \"%file\""},
    {u"k2editor.exe", u"\"%file\" /j%line"},
    {u"wzeditor.exe", u"/j%line \"%file\""},
    {u"gvim.exe", u"--remote-tab-silent +%line \"%file\""},
    {u"vim", u"+%line \"%file\""},
    {u"gvim", u"+%line \"%file\""},
    {u"nvim", u"+%line \"%file\""},
    {u"emacs", u"+%line \"%file\""},
    {u"gedit", u"+%line \"%file\""},
    {u"kate", u"--line %line \"%file\""},
    {u"code", u"--goto \"%file:%line\""},
};

const char16_t* ArgumentTemplate(std::u16string_view exeName)
{
    const std::u16string lower = GxToLower(exeName);
    for (const EditorForm& e : kEditors)
        if (lower == e.exeName) return e.arguments;
    return u"\"%file\"";
}

std::vector<std::string> ToNative(const std::vector<std::u16string>& args, size_t from)
{
    std::vector<std::string> out;
    for (size_t i = from; i < args.size(); ++i) out.push_back(GxPathToNative(args[i]));
    return out;
}

bool Start(const std::vector<std::u16string>& argv)
{
    if (argv.empty() || argv[0].empty()) return false;
    return GxStartProcess(GxPathToNative(argv[0]), ToNative(argv, 1));
}

std::vector<std::u16string> ExpandEach(std::vector<std::u16string> args, std::u16string_view filePath, int32_t line)
{
    for (std::u16string& a : args) a = GxExpandTextEditorCommand(a, filePath, line);
    return args;
}

}  // namespace

std::u16string GxExpandTextEditorCommand(std::u16string_view commandTemplate, std::u16string_view filePath, int32_t line)
{
    std::u16string s = GxReplaceAll(commandTemplate, u"%line", GxIntToString(line));
    s = GxReplaceAll(s, u"%pos", u"0");
    return GxReplaceAll(s, u"%file", filePath);
}

std::u16string GxBuildEditorArguments(std::u16string_view filePath, std::u16string_view exeName, int32_t line)
{
    return GxExpandTextEditorCommand(ArgumentTemplate(exeName), filePath, line);
}

std::vector<std::u16string> GxBuildEditorArgumentList(std::u16string_view filePath, std::u16string_view exeName,
                                                      int32_t line)
{
    return ExpandEach(GxSplitCommandLine(ArgumentTemplate(exeName)), filePath, line);
}

std::vector<std::u16string> GxSplitCommandLine(std::u16string_view s)
{
    std::vector<std::u16string> out;
    size_t i = 0;
    const size_t n = s.size();
    for (;;) {
        while (i < n && (s[i] == u' ' || s[i] == u'\t')) ++i;
        if (i >= n) break;
        std::u16string arg;
        bool quoted = false;
        while (i < n) {
            const char16_t c = s[i];
            if (!quoted && (c == u' ' || c == u'\t')) break;
            if (c == u'\\') {
                size_t count = 0;
                while (i < n && s[i] == u'\\') {
                    ++count;
                    ++i;
                }
                if (i < n && s[i] == u'"') {
                    arg.append(count / 2, u'\\');
                    if (count % 2 == 1) {
                        arg += u'"';
                        ++i;
                    }
                } else {
                    arg.append(count, u'\\');
                }
                continue;
            }
            if (c == u'"') {
                if (quoted && i + 1 < n && s[i + 1] == u'"') {
                    arg += u'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += c;
            ++i;
        }
        out.push_back(std::move(arg));
    }
    return out;
}

std::u16string GxFindTextEditorPath()
{
    const std::u16string command = GxTrim(GxUtf8ToWide(GxFindDefaultTextEditorCommand()), 3);
    if (command.empty()) return {};
    std::u16string path;
    if (command[0] == u'"') {
        path = GxUnquote(command);
    } else {
        const size_t blank = command.find(u' ');
        path = blank == std::u16string::npos ? command : command.substr(0, blank);
    }
    return GxUtf8ToWide(GxExpandEnvironmentStrings(GxPathToNative(path)));
}

bool GxExecuteCommandLine(std::u16string_view commandLine) { return Start(GxSplitCommandLine(commandLine)); }

bool GxExecuteTextEditorCommand(std::u16string_view commandTemplate, std::u16string_view filePath, int32_t line)
{
    return Start(ExpandEach(GxSplitCommandLine(commandTemplate), filePath, line));
}

bool GxOpenInTextEditor(std::u16string_view filePath, int32_t line)
{
    if (GxFileExists(filePath) != 1) return false;
    // The editor works on the disk: it gets the spelling the case-insensitive look-up found.
    std::string native;
    if (!GxPosixResolvePath(filePath, native)) return false;
    const std::u16string editor = GxFindTextEditorPath();
    if (editor.empty()) return false;
    const std::u16string realPath = GxUtf8ToWide(native);
    std::vector<std::u16string> argv = GxBuildEditorArgumentList(realPath, GxGetFileName(editor), line);
    argv.insert(argv.begin(), editor);
    return Start(argv);
}
