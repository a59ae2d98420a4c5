#include "BatchConvert.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QThread>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace vexor::tools {

namespace {

void report(const QString& line) {
    std::fprintf(stderr, "vexor-render: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Output file names: each input's name with the format's suffix; a name already given to an
// earlier input is numbered ("plan-2.pdf"), so that none overwrites another.
QStringList outputNames(const RenderCommand& command) {
    QHash<QString, int> uses;
    QStringList names;
    const QDir folder(command.output);
    for (const QString& input : command.inputs) {
        const QString stem = QFileInfo(input).completeBaseName();
        const int use = ++uses[stem.toLower()];
        names.append(folder.filePath((use > 1 ? stem + "-" + QString::number(use) : stem) + "." +
                                     command.format));
    }
    return names;
}

// The reason a conversion gave on its standard error (its own line, not the toolkit's notes),
// without the program's prefix.
QString reasonOf(QProcess& process) {
    const QStringList lines =
        QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QString text;
    for (const QString& line : lines)
        if (line.startsWith("vexor-render: ")) {
            text = line.mid(14).trimmed();
            break;
        }
    if (process.exitStatus() != QProcess::NormalExit)
        return "the conversion crashed" + (text.isEmpty() ? QString() : ": " + text);
    return text.isEmpty() ? "exit status " + QString::number(process.exitCode()) : text;
}

} // namespace

int runBatch(const RenderCommand& command) {
    if (!QDir().mkpath(command.output)) {
        report(command.output + ": the output folder cannot be made");
        return 1;
    }
    const QStringList outputs = outputNames(command);
    const int total = static_cast<int>(command.inputs.size());
    const int jobs = std::max(1, command.jobs > 0 ? command.jobs : QThread::idealThreadCount());
    const QString program = QCoreApplication::applicationFilePath();

    int next = 0, finished = 0, failed = 0;
    QEventLoop loop;
    QElapsedTimer all;
    all.start();
    std::vector<std::unique_ptr<QProcess>> running;
    std::function<void()> startNext = [&] {
        while (next < total && static_cast<int>(running.size()) < jobs) {
            const int index = next++;
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::SeparateChannels);
            process->setStandardOutputFile(QProcess::nullDevice());
            auto timer = std::make_shared<QElapsedTimer>();
            timer->start();
            QProcess* raw = process.get();
            auto done = [&, raw, index, timer] {
                ++finished;
                const QString what = QString("[%1/%2] %3 -> %4")
                                         .arg(finished)
                                         .arg(total)
                                         .arg(command.inputs[index], outputs[index]);
                const bool ok = raw->error() != QProcess::FailedToStart &&
                                raw->exitStatus() == QProcess::NormalExit && raw->exitCode() == 0;
                if (ok) {
                    report(what +
                           QString(": done in %1 s").arg(timer->elapsed() / 1000.0, 0, 'f', 2));
                } else {
                    ++failed;
                    report(what + ": failed: " +
                           (raw->error() == QProcess::FailedToStart ? raw->errorString()
                                                                    : reasonOf(*raw)));
                }
                for (auto it = running.begin(); it != running.end(); ++it)
                    if (it->get() == raw) {
                        it->release()->deleteLater();
                        running.erase(it);
                        break;
                    }
                startNext();
                if (running.empty() && next >= total)
                    loop.quit();
            };
            QObject::connect(raw, &QProcess::finished, &loop, done);
            QObject::connect(raw, &QProcess::errorOccurred, &loop,
                             [raw, done](QProcess::ProcessError error) {
                                 if (error == QProcess::FailedToStart)
                                     done();
                                 (void)raw;
                             });
            running.push_back(std::move(process));
            raw->start(program,
                       singleFileArguments(command, command.inputs[index], outputs[index]));
        }
    };
    startNext();
    if (!running.empty())
        loop.exec();
    report(QString("%1 of %2 drawings converted, %3 failed, in %4 s")
               .arg(total - failed)
               .arg(total)
               .arg(failed)
               .arg(all.elapsed() / 1000.0, 0, 'f', 2));
    return failed > 0 ? 1 : 0;
}

} // namespace vexor::tools
