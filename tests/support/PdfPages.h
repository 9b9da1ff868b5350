#pragma once
// Reads printed PDF files back with poppler's tools (poppler-utils), as a reader would see
// the paper: the text, the pages, their size, and the first page as a picture.
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace testsupport {

// What a poppler tool printed; an empty text when it failed.
inline QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), tool.readAllStandardError().constData());
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

inline QString pdfText(const QString& pdf)
{
    return runTool("pdftotext", {"-enc", "UTF-8", pdf, "-"});
}

inline int pageCount(const QString& pdf)
{
    const QRegularExpression pages("^Pages:\\s+(\\d+)", QRegularExpression::MultilineOption);
    return pages.match(runTool("pdfinfo", {pdf})).captured(1).toInt();
}

// The first page's size in millimetres.
inline QSizeF pageSizeMm(const QString& pdf)
{
    const QRegularExpression size("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts",
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = size.match(runTool("pdfinfo", {pdf}));
    const double mmPerPoint = 25.4 / 72;
    return QSizeF(match.captured(1).toDouble() * mmPerPoint,
                  match.captured(2).toDouble() * mmPerPoint);
}

// The first page as an image of `dpi`, written to `png`.
inline QImage firstPage(const QString& pdf, const QString& png, int dpi)
{
    QString root = png;
    root.chop(4);  // pdftoppm adds ".png" itself
    runTool("pdftoppm",
            {"-png", "-r", QString::number(dpi), "-f", "1", "-l", "1", "-singlefile", pdf, root});
    return QImage(png);
}

// The share of the page's pixels that are dark: ink on the paper.
inline double inkShare(const QImage& page)
{
    qint64 dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                ++dark;
    return page.isNull() ? 0 : double(dark) / (qint64(page.width()) * page.height());
}

}  // namespace testsupport
