#include "PdfOutline.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <vector>

namespace vexor::tools {

namespace {

// An object reference "N 0 R" after `key` in `dictionary`; 0 when absent.
int referenceAfter(const QByteArray& dictionary, const char* key) {
    const QRegularExpression pattern(QString::fromLatin1(key) + R"(\s+(\d+)\s+0\s+R)");
    const QRegularExpressionMatch m = pattern.match(QString::fromLatin1(dictionary));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// The body of object `number` ("N 0 obj" ... "endobj"), the last one written.
QByteArray objectBody(const QByteArray& pdf, int number) {
    const QByteArray head = "\n" + QByteArray::number(number) + " 0 obj";
    const qsizetype start = pdf.lastIndexOf(head);
    if (start < 0)
        return {};
    const qsizetype end = pdf.indexOf("endobj", start);
    if (end < 0)
        return {};
    return pdf.mid(start + head.size(), end - start - head.size()).trimmed();
}

// A text string in UTF-16 with its byte-order mark, written in hexadecimal.
QByteArray pdfText(const QString& text) {
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + ">";
}

} // namespace

bool addPdfOutline(const QString& path, const QStringList& titles) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pdf = file.readAll();
    file.close();

    const qsizetype trailerAt = pdf.lastIndexOf("trailer");
    const qsizetype startAt = pdf.lastIndexOf("startxref");
    if (trailerAt < 0 || startAt < trailerAt)
        return false;
    const QByteArray trailer = pdf.mid(trailerAt, startAt - trailerAt);
    const long long previous = pdf.mid(startAt + 9, 24).trimmed().split('\n').value(0).toLongLong();
    const QRegularExpressionMatch size =
        QRegularExpression(R"(/Size\s+(\d+))").match(QString::fromLatin1(trailer));
    const int root = referenceAfter(trailer, "/Root");
    const int info = referenceAfter(trailer, "/Info");
    if (!size.hasMatch() || root == 0 || previous <= 0)
        return false;
    const QByteArray catalog = objectBody(pdf, root);
    const int pagesNumber = referenceAfter(catalog, "/Pages");
    const QByteArray pages = objectBody(pdf, pagesNumber);
    const qsizetype kidsAt = pages.indexOf("/Kids");
    const qsizetype open = pages.indexOf('[', kidsAt), close = pages.indexOf(']', open);
    if (!catalog.startsWith("<<") || kidsAt < 0 || open < 0 || close < 0)
        return false;
    std::vector<int> pageNumbers;
    const QRegularExpression reference(R"((\d+)\s+0\s+R)");
    for (auto it = reference.globalMatch(QString::fromLatin1(pages.mid(open, close - open)));
         it.hasNext();)
        pageNumbers.push_back(it.next().captured(1).toInt());
    const int count = static_cast<int>(std::min<qsizetype>(titles.size(), pageNumbers.size()));
    if (count == 0)
        return false;

    // The new objects: the outline, one item per page, then the catalogue again.
    const int outline = size.captured(1).toInt();
    const int firstItem = outline + 1;
    QByteArray update = "\n";
    std::vector<std::pair<int, long long>> offsets;
    auto object = [&](int number, const QByteArray& body) {
        offsets.emplace_back(number, pdf.size() + update.size());
        update += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    object(outline, "<< /Type /Outlines /First " + QByteArray::number(firstItem) + " 0 R /Last " +
                        QByteArray::number(firstItem + count - 1) + " 0 R /Count " +
                        QByteArray::number(count) + " >>");
    for (int i = 0; i < count; ++i) {
        QByteArray item =
            "<< /Title " + pdfText(titles[i]) + " /Parent " + QByteArray::number(outline) + " 0 R";
        if (i > 0)
            item += " /Prev " + QByteArray::number(firstItem + i - 1) + " 0 R";
        if (i + 1 < count)
            item += " /Next " + QByteArray::number(firstItem + i + 1) + " 0 R";
        item += " /Dest [" + QByteArray::number(pageNumbers[static_cast<std::size_t>(i)]) +
                " 0 R /Fit] >>";
        object(firstItem + i, item);
    }
    QByteArray newCatalog = catalog;
    newCatalog.chop(2); // ">>"
    newCatalog += "/Outlines " + QByteArray::number(outline) + " 0 R /PageMode /UseOutlines >>";
    object(root, newCatalog);

    const long long xrefAt = pdf.size() + update.size();
    update += "xref\n0 1\n0000000000 65535 f\r\n";
    auto entry = [](long long offset) {
        return QByteArray::number(offset).rightJustified(10, '0') + " 00000 n\r\n";
    };
    update += QByteArray::number(root) + " 1\n" + entry(offsets.back().second);
    update += QByteArray::number(outline) + " " + QByteArray::number(count + 1) + "\n";
    for (std::size_t i = 0; i + 1 < offsets.size(); ++i)
        update += entry(offsets[i].second);
    update += "trailer\n<< /Size " + QByteArray::number(firstItem + count) + " /Root " +
              QByteArray::number(root) + " 0 R";
    if (info != 0)
        update += " /Info " + QByteArray::number(info) + " 0 R";
    update += " /Prev " + QByteArray::number(previous) + " >>\nstartxref\n" +
              QByteArray::number(xrefAt) + "\n%%EOF\n";

    if (!file.open(QIODevice::Append))
        return false;
    return file.write(update) == update.size() && file.flush();
}

} // namespace vexor::tools
