// vexor-thumbnailer: the preview of a drawing file for the desktop's file managers, drawn by
// the viewer's renderer. Run as "vexor-thumbnailer -s SIZE INPUT OUTPUT.png".
#include "ProcessLimits.h"
#include "Thumbnail.h"
#include "cad/io/LoadBudget.h"

#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vexor/Version.h>

namespace {

constexpr unsigned kDefaultTimeLimitSeconds = 10;
constexpr unsigned kLongestTimeLimitSeconds = 600;
constexpr std::uint64_t kAddressSpaceLimit = std::uint64_t{2} << 30; // 2 GiB
constexpr int kDefaultSize = 256;
constexpr int kLargestSize = 2048;

constexpr char kUsage[] =
    "usage: vexor-thumbnailer [-s SIZE] [--timeout SECONDS] INPUT OUTPUT.png\n"
    "       vexor-thumbnailer --help | --version\n";

struct Request {
    int size = kDefaultSize;
    std::chrono::milliseconds timeLimit = std::chrono::seconds(kDefaultTimeLimitSeconds);
    std::string input, output;
};

std::optional<Request> parse(int argc, char** argv, std::string& error) {
    Request request;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-s" || arg == "--size") {
            if (i + 1 >= argc) {
                error = "-s needs a size in pixels";
                return std::nullopt;
            }
            char* end = nullptr;
            const long size = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || size < 1 || size > kLargestSize) {
                error = "the size must be 1 to " + std::to_string(kLargestSize) + " pixels";
                return std::nullopt;
            }
            request.size = static_cast<int>(size);
        } else if (arg == "--timeout") {
            if (i + 1 >= argc) {
                error = "--timeout needs a number of seconds";
                return std::nullopt;
            }
            // Fractions are allowed: a file manager may want a preview within half a second.
            char* end = nullptr;
            const double seconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(seconds > 0) ||
                seconds > kLongestTimeLimitSeconds) {
                error = "the time limit must be more than 0 and at most " +
                        std::to_string(kLongestTimeLimitSeconds) + " seconds";
                return std::nullopt;
            }
            request.timeLimit =
                std::chrono::milliseconds(std::max<long long>(1, std::llround(seconds * 1000)));
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + std::string(arg);
            return std::nullopt;
        } else if (files == 0) {
            request.input = arg, ++files;
        } else if (files == 1) {
            request.output = arg, ++files;
        } else {
            error = "too many files given";
            return std::nullopt;
        }
    }
    if (files != 2) {
        error = "give the drawing and the PNG to write";
        return std::nullopt;
    }
    return request;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "vexor-thumbnailer: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf(
                "vexor-thumbnailer: a square PNG preview of a drawing (.dwg, .dxf, .dgn) "
                "for file managers; gives up after %u s unless --timeout says otherwise.\n%s",
                kDefaultTimeLimitSeconds, kUsage);
            return 0;
        }
        if (arg == "--version" || arg == "-V") {
            std::printf("vexor-thumbnailer %d.%d.%d\n", vexor::kVersionMajor, vexor::kVersionMinor,
                        vexor::kVersionRevision);
            return 0;
        }
    }
    std::string error;
    const auto request = parse(argc, argv, error);
    if (!request) {
        std::fprintf(stderr, "vexor-thumbnailer: %s\n%s", error.c_str(), kUsage);
        return 2;
    }

    // The load's own budget stops at the time limit; the process limits, a second later, catch
    // whatever the budget's checkpoints do not see.
    const auto wholeSeconds = std::chrono::ceil<std::chrono::seconds>(request->timeLimit).count();
    vexor::tools::limitProcess(static_cast<unsigned>(wholeSeconds) + 1, kAddressSpaceLimit);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    try {
        const QImage image =
            vexor::tools::renderThumbnail(request->input, request->size, request->timeLimit);
        // Written under a temporary name and renamed when complete, so that a preview is
        // never left half-written.
        QSaveFile out(QString::fromStdString(request->output));
        if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit())
            return fail(request->output + ": could not write the preview");
    } catch (const vexor::cad::LoadStopped& e) {
        if (e.reason() == vexor::cad::LoadStopReason::TimedOut) {
            std::fprintf(stderr, "vexor-thumbnailer: %s: gave up: time limit reached\n",
                         request->input.c_str());
            return vexor::tools::kTimedOutStatus;
        }
        return fail(request->input + ": " + e.what());
    } catch (const std::bad_alloc&) {
        return fail(request->input + ": gave up: the drawing needs too much memory");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return 0;
}
