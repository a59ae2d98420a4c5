#include "FindCommand.h"

#include "cad/load/DrawingReader.h"
#include "cad/io/LoadBudget.h"
#include "cad/model/ReadError.h"
#include "cad/query/TextSearch.h"

#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

namespace vexor::tools {
namespace {

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v))
        return "null";
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v == 0 ? 0.0 : v).ptr;
    return std::string(buffer, end);
}

// Searches one file; false when it could not be read.
bool searchFile(const QString& input, const FindCommand& command, int& hits) {
    cad::LoadBudget budget(cad::LoadBudget::allowedBytes(
        static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(input).size(), 0))));
    if (command.timeoutSeconds > 0)
        budget.setTimeout(
            std::chrono::milliseconds(static_cast<std::int64_t>(command.timeoutSeconds * 1000.0)));
    cad::Drawing drawing;
    try {
        cad::LoadScope scope(budget);
        drawing = cad::readDrawingFile(input.toStdString());
    } catch (const std::exception& e) {
        const QString what = QString::fromStdString(e.what());
        std::fprintf(
            stderr, "vexor-render: %s\n",
            (what.startsWith(input) ? what : input + ": " + what).toLocal8Bit().constData());
        return false;
    }
    const std::vector<cad::SearchableText> texts = cad::collectSearchableTexts(drawing);
    const cad::TextQuery query{command.text.toStdString(), command.wholeWords};
    const std::string file = jsonString(input.toStdString());
    for (const std::size_t i : cad::findTexts(texts, query)) {
        const cad::SearchableText& t = texts[i];
        const std::string layer =
            t.layer < drawing.layers.size() ? drawing.layers[t.layer].name : std::string();
        const std::string line =
            "{\"file\":" + file + ",\"layout\":" + jsonString(cad::layoutName(drawing, t.layout)) +
            ",\"kind\":" + jsonString(t.kind) + ",\"layer\":" + jsonString(layer) +
            ",\"text\":" + jsonString(t.text) + ",\"at\":[" + jsonNumber(t.at.x) + "," +
            jsonNumber(t.at.y) + "]}\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        ++hits;
    }
    std::fflush(stdout);
    return true;
}

} // namespace

bool isFindCommand(const QStringList& args) {
    return args.contains(QStringLiteral("--find"));
}

std::optional<FindCommand> parseFindCommand(const QStringList& args, QString& error) {
    FindCommand c;
    bool haveText = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--find") {
            if (i + 1 >= args.size()) {
                error = "--find needs the text to look for";
                return std::nullopt;
            }
            c.text = args[++i];
            haveText = true;
        } else if (a == "--whole-words") {
            c.wholeWords = true;
        } else if (a == "--timeout") {
            bool ok = false;
            c.timeoutSeconds = i + 1 < args.size() ? args[++i].toDouble(&ok) : 0;
            if (!ok || c.timeoutSeconds <= 0) {
                error = "--timeout needs a positive number of seconds";
                return std::nullopt;
            }
        } else if (a.startsWith("-") && a.size() > 1) {
            error = "unknown option " + a + " with --find";
            return std::nullopt;
        } else {
            c.inputs << a;
        }
    }
    if (!haveText || c.text.isEmpty()) {
        error = "--find needs the text to look for";
        return std::nullopt;
    }
    if (c.inputs.isEmpty()) {
        error = "no drawing to search";
        return std::nullopt;
    }
    return c;
}

int runFindCommand(const FindCommand& command) {
    int hits = 0;
    bool failed = false;
    for (const QString& input : command.inputs)
        failed |= !searchFile(input, command, hits);
    if (failed)
        return 2;
    return hits > 0 ? 0 : 1;
}

} // namespace vexor::tools
