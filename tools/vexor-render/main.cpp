// vexor-render: draws a drawing file to PNG, SVG or PDF through the viewer's renderer, or
// prints a JSON summary of it.
#include "RenderCommand.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QString error;
    const auto command = vexor::tools::parseRenderCommand(args, error);
    if (!command) {
        std::fprintf(stderr,
                     "vexor-render: %s\nusage: vexor-render FILE -o OUT.png|OUT.svg|OUT.pdf "
                     "[--size WxH] [--background #rrggbb] [--layout NAME]\n       vexor-render "
                     "FILE --info\n",
                     error.toLocal8Bit().constData());
        return 1;
    }
    return vexor::tools::runRenderCommand(*command);
}
