// vexor-render: draws a drawing file to PNG, SVG or PDF through the viewer's renderer, or
// prints a JSON summary of it.
#include "FindCommand.h"
#include "RenderCommand.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vexor/Version.h>

namespace {

constexpr char kUsage[] =
    "usage: vexor-render FILE -o OUT.png|OUT.svg|OUT.pdf [--size WxH] [--background #rrggbb]\n"
    "                    [--layout NAME|all] [--timeout SECONDS]\n"
    "       vexor-render FILE... -o FOLDER/ [--format pdf|png|svg] [--jobs N] [--layout ...]\n"
    "       vexor-render FILE --info [--timeout SECONDS]\n"
    "       vexor-render OLD NEW --compare -o OUT.png|OUT.svg|OUT.pdf [--layout NAME] [...]\n"
    "       vexor-render OLD NEW --compare --info   (exit 0 same, 1 different, 2 error)\n"
    "       vexor-render FILE... --find TEXT [--whole-words] [--timeout SECONDS]\n"
    "       vexor-render --help | --version\n";

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf("vexor-render: draws a drawing file (.dwg, .dxf, .dgn) to PNG, SVG or "
                        "PDF through the viewer's renderer, or prints a JSON summary of it.\n%s",
                        kUsage);
            return 0;
        }
        if (arg == "--version" || arg == "-V") {
            std::printf("vexor-render %d.%d.%d\n", vexor::kVersionMajor, vexor::kVersionMinor,
                        vexor::kVersionRevision);
            return 0;
        }
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QString error;
    if (vexor::tools::isFindCommand(args)) {
        const auto find = vexor::tools::parseFindCommand(args, error);
        if (!find) {
            std::fprintf(stderr, "vexor-render: %s\n%s", error.toLocal8Bit().constData(), kUsage);
            return 2;
        }
        return vexor::tools::runFindCommand(*find);
    }
    const auto command = vexor::tools::parseRenderCommand(args, error);
    if (!command) {
        std::fprintf(stderr, "vexor-render: %s\n%s", error.toLocal8Bit().constData(), kUsage);
        return 2;
    }
    return vexor::tools::runRenderCommand(*command);
}
