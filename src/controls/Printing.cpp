#include "controls/Printing.h"

#include "controls/CsvFields.h"
#include "controls/PrivateFiles.h"
#include "controls/Prompts.h"
#include "controls/QrCode.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextLayout>
#include <algorithm>
#include <functional>

namespace controls {

namespace {

// A font with every Polish letter, installed with the program.
const QString FontFamily = QStringLiteral("DejaVu Sans");
const QString StampFormat = QStringLiteral("dd-MM-yyyy hh:mm");
const QString DayFormat = QStringLiteral("dd-MM-yyyy");
const QString FailedMessage = QStringLiteral("Drukowanie nie powiodło się.");

constexpr double PageMarginMm = 12;
constexpr double CellPaddingMm = 1.2;
constexpr double SignatureWidthMm = 45;
constexpr double SignatureHeightMm = 10;  // room for a hand's signature
constexpr double WidestNaturalColumnMm = 70;
constexpr double TitlePoints = 14;
constexpr double TextPoints = 9;
constexpr double ThinLineMm = 0.2;
constexpr double ThickLineMm = 0.5;

constexpr double CardWidthMm = 86;
constexpr double CardHeightMm = 54;
constexpr double CardMarginMm = 3;

QFont printFont(double points, bool bold = false)
{
    QFont font(FontFamily);
    font.setPointSizeF(points);
    font.setBold(bold);
    // Letters stay letters, no "fi" ligatures, so that the text of a PDF is found and copied
    // as typed (Polish needs no shaping).
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// Line breaks of a cell stay line breaks in the layout.
QString layoutText(QString text)
{
    return text.replace(u'\n', QChar::LineSeparator).remove(u'\r');
}

// Lays the text out in lines of `width`, broken between words and, for a word longer than
// the width, inside it; the height of the lines.
qreal layOut(QTextLayout& layout, qreal width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

qreal wrappedHeight(const QString& text, const QFont& font, QPaintDevice* device, qreal width)
{
    QTextLayout layout(layoutText(text), font, device);
    return layOut(layout, width);
}

// The text in the box, in the middle of its height.
void drawWrapped(QPainter& painter, const QRectF& box, const QString& text, const QFont& font)
{
    QTextLayout layout(layoutText(text), font, painter.device());
    const qreal height = layOut(layout, box.width());
    painter.save();
    painter.setClipRect(box);
    layout.draw(&painter,
                box.topLeft() + QPointF(0, std::max<qreal>(box.height() - height, 0) / 2));
    painter.restore();
}

// ------------------------------------------------------------ the table

class TablePrint {
public:
    TablePrint(QPrinter& printer, const PrintedTable& table, const QDateTime& printedAt)
        : printer_(printer),
          table_(table),
          printedAt_(printedAt.toString(StampFormat)),
          mm_(printer.resolution() / 25.4),
          page_(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size())
    {
        measureColumns();
        measureRows();
        breakPages();
    }

    bool print()
    {
        QPainter painter;
        if (!painter.begin(&printer_))
            return false;
        for (size_t p = 0; p < pages_.size(); ++p) {
            if (p > 0 && !printer_.newPage())
                return false;
            drawPage(painter, p);
        }
        return painter.end();
    }

    // Whether the columns' texts need more than a portrait A4 page's width.
    static bool needsLandscape(QPrinter& printer, const PrintedTable& table)
    {
        const qreal mm = printer.resolution() / 25.4;
        const QFontMetricsF headings(printFont(TextPoints, true), &printer);
        const QFontMetricsF cells(printFont(TextPoints), &printer);
        qreal natural = table.signatureColumn ? SignatureWidthMm * mm : 0;
        for (int c = 0; c < table.headers.size(); ++c) {
            qreal widest = headings.horizontalAdvance(table.headers[c]);
            for (const QStringList& row : table.rows)
                if (row.size() > 1 && c < row.size())
                    widest = std::max(widest, cells.horizontalAdvance(row[c]));
            natural += std::min(widest + 2 * CellPaddingMm * mm, WidestNaturalColumnMm * mm);
        }
        const qreal portraitWidth =
            QPageSize(QPageSize::A4).size(QPageSize::Millimeter).width() - 2 * PageMarginMm;
        return natural > portraitWidth * mm;
    }

private:
    int columnCount() const
    {
        return int(table_.headers.size()) + (table_.signatureColumn ? 1 : 0);
    }
    QString heading(int column) const
    {
        return column < table_.headers.size() ? table_.headers[column] : QStringLiteral("Podpis");
    }
    static bool isGroup(const QStringList& row) { return row.size() == 1; }
    qreal padding() const { return CellPaddingMm * mm_; }

    // The widest word of a heading: its column is never narrower, so no heading breaks
    // inside a word.
    qreal headingMinimum(int column) const
    {
        const QFontMetricsF metrics(printFont(TextPoints, true), &printer_);
        qreal widest = 0;
        for (const QString& word : table_.headers[column].split(u' ', Qt::SkipEmptyParts))
            widest = std::max(widest, metrics.horizontalAdvance(word));
        return widest + 2 * padding() + mm_;
    }

    // The left edges of the columns, and the table's right edge last: the page's width
    // shared by the columns' weights, each at least as wide as its heading's words.
    void measureColumns()
    {
        const size_t count = size_t(table_.headers.size());
        const qreal signature = table_.signatureColumn ? SignatureWidthMm * mm_ : 0;
        const qreal width = std::max<qreal>(page_.width() - signature, page_.width() / 2);
        std::vector<int> weights(count, 1);
        for (size_t c = 0; c < count && c < table_.widths.size(); ++c)
            weights[c] = std::max(table_.widths[c], 1);
        std::vector<qreal> widths(count, 0);
        std::vector<bool> atMinimum(count, false);
        for (bool settled = false; !settled;) {
            qreal free = width;
            int freeWeight = 0;
            for (size_t c = 0; c < count; ++c) {
                if (atMinimum[c])
                    free -= widths[c];
                else
                    freeWeight += weights[c];
            }
            settled = true;
            for (size_t c = 0; c < count; ++c) {
                if (atMinimum[c])
                    continue;
                widths[c] = free * weights[c] / std::max(freeWeight, 1);
                const qreal minimum = headingMinimum(int(c));
                if (widths[c] < minimum) {
                    widths[c] = minimum;
                    atMinimum[c] = true;
                    settled = false;
                }
            }
        }
        edges_.assign(1, 0);
        for (qreal w : widths)
            edges_.push_back(edges_.back() + w);
        if (table_.signatureColumn)
            edges_.push_back(edges_.back() + signature);
    }

    qreal cellWidth(int column) const
    {
        return edges_[size_t(column) + 1] - edges_[size_t(column)] - 2 * padding();
    }

    qreal rowHeight(const QStringList& cells, const QFont& font) const
    {
        if (isGroup(cells))
            return wrappedHeight(cells.front(), printFont(TextPoints, true), &printer_,
                                 edges_.back() - 2 * padding()) +
                   2 * padding();
        qreal height = 0;
        for (int c = 0; c < cells.size() && c < table_.headers.size(); ++c)
            height = std::max(height, wrappedHeight(cells[c], font, &printer_, cellWidth(c)));
        height += 2 * padding();
        if (table_.signatureColumn)
            height = std::max(height, SignatureHeightMm * mm_);
        return height;
    }

    void measureRows()
    {
        const QFontMetricsF title(printFont(TitlePoints, true), &printer_);
        const QFontMetricsF text(printFont(TextPoints), &printer_);
        titleHeight_ = title.height() + 2 * mm_;
        footerHeight_ = text.height() + 2 * mm_;
        QStringList headings;
        for (int c = 0; c < columnCount(); ++c)
            headings << heading(c);
        headingHeight_ = 0;
        for (int c = 0; c < columnCount(); ++c)
            headingHeight_ = std::max(
                headingHeight_,
                wrappedHeight(headings[c], printFont(TextPoints, true), &printer_, cellWidth(c)));
        headingHeight_ += 2 * padding();
        const qreal body = page_.height() - titleHeight_ - headingHeight_ - footerHeight_;
        heights_.clear();
        heights_.reserve(table_.rows.size());
        for (const QStringList& row : table_.rows)
            heights_.push_back(std::min(rowHeight(row, printFont(TextPoints)), body));
        bodyHeight_ = body;
    }

    // The rows of each page; a group's heading goes over to the next page with its first row.
    void breakPages()
    {
        pages_.assign(1, {0, 0});
        qreal used = 0;
        for (size_t r = 0; r < heights_.size(); ++r) {
            qreal needed = heights_[r];
            if (isGroup(table_.rows[r]) && r + 1 < heights_.size() && !isGroup(table_.rows[r + 1]))
                needed += heights_[r + 1];
            if (used > 0 && used + std::min(needed, bodyHeight_) > bodyHeight_) {
                pages_.push_back({r, r});
                used = 0;
            }
            pages_.back().second = r + 1;
            used += heights_[r];
        }
    }

    QPen pen(double widthMm) const { return QPen(Qt::black, widthMm * mm_); }

    void drawPage(QPainter& painter, size_t page)
    {
        painter.setPen(Qt::black);
        const QFont titleFont = printFont(TitlePoints, true);
        const QFont textFont = printFont(TextPoints);
        painter.setFont(textFont);
        const QRectF top(0, 0, page_.width(), titleHeight_);
        painter.drawText(top, Qt::AlignRight | Qt::AlignTop, printedAt_);
        const qreal stampWidth = QFontMetricsF(textFont, &printer_).horizontalAdvance(printedAt_);
        painter.setFont(titleFont);
        painter.drawText(
            top.adjusted(0, 0, -stampWidth - 4 * mm_, 0),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
            QFontMetricsF(titleFont, &printer_)
                .elidedText(table_.title, Qt::ElideRight, top.width() - stampWidth - 4 * mm_));

        qreal y = titleHeight_;
        const qreal tableTop = y;
        for (int c = 0; c < columnCount(); ++c)
            drawWrapped(painter, cellBox(c, y, headingHeight_), heading(c),
                        printFont(TextPoints, true));
        y += headingHeight_;
        painter.setPen(pen(ThickLineMm));
        painter.drawLine(QPointF(0, y), QPointF(edges_.back(), y));

        for (size_t r = pages_[page].first; r < pages_[page].second; ++r) {
            const QStringList& row = table_.rows[r];
            const qreal height = heights_[r];
            painter.setPen(Qt::black);
            if (isGroup(row)) {
                drawWrapped(painter,
                            QRectF(padding(), y + padding(), edges_.back() - 2 * padding(),
                                   height - 2 * padding()),
                            row.front(), printFont(TextPoints, true));
            } else {
                for (int c = 0; c < row.size() && c < table_.headers.size(); ++c)
                    drawWrapped(painter, cellBox(c, y, height), row[c], textFont);
                painter.setPen(pen(ThinLineMm));
                for (size_t e = 1; e + 1 < edges_.size(); ++e)
                    painter.drawLine(QPointF(edges_[e], y), QPointF(edges_[e], y + height));
            }
            y += height;
            painter.setPen(pen(isGroup(row) ? ThickLineMm : ThinLineMm));
            painter.drawLine(QPointF(0, y), QPointF(edges_.back(), y));
        }
        // The headings' inner lines and the frame around the whole table.
        painter.setPen(pen(ThinLineMm));
        for (size_t e = 1; e + 1 < edges_.size(); ++e)
            painter.drawLine(QPointF(edges_[e], tableTop),
                             QPointF(edges_[e], tableTop + headingHeight_));
        painter.setPen(pen(ThickLineMm));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0, tableTop, edges_.back(), y - tableTop));

        painter.setFont(textFont);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, page_.height() - footerHeight_, page_.width(), footerHeight_),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Strona %1 z %2").arg(page + 1).arg(pages_.size()));
    }

    QRectF cellBox(int column, qreal y, qreal height) const
    {
        return QRectF(edges_[size_t(column)] + padding(), y + padding(), cellWidth(column),
                      height - 2 * padding());
    }

    QPrinter& printer_;
    const PrintedTable& table_;
    const QString printedAt_;
    const qreal mm_;  // device pixels in a millimetre
    const QRectF page_;
    std::vector<qreal> edges_;
    std::vector<qreal> heights_;
    std::vector<std::pair<size_t, size_t>> pages_;  // [first, last) rows of each page
    qreal titleHeight_ = 0, headingHeight_ = 0, footerHeight_ = 0, bodyHeight_ = 0;
};

// ------------------------------------------------------------ the pass

QPageSize cardSize()
{
    return QPageSize(QSizeF(CardWidthMm, CardHeightMm), QPageSize::Millimeter,
                     QStringLiteral("Przepustka 86 x 54 mm"), QPageSize::ExactMatch);
}

// A printer with neither the card's size nor sizes of its own prints the pass on A6.
void fitPageToPrinter(QPrinter& printer)
{
    if (printer.outputFormat() != QPrinter::NativeFormat ||
        !printer.pageLayout().pageSize().isEquivalentTo(cardSize()))
        return;
    const QPrinterInfo info(printer);
    if (info.isNull() || info.supportsCustomPageSizes())
        return;
    const QList<QPageSize> sizes = info.supportedPageSizes();
    if (std::none_of(sizes.begin(), sizes.end(),
                     [](const QPageSize& size) { return size.isEquivalentTo(cardSize()); })) {
        printer.setPageSize(QPageSize(QPageSize::A6));
        printer.setPageOrientation(QPageLayout::Landscape);
    }
}

// The card on the page: a card or an A6 sheet (wider than tall, no larger than A6) is the
// card, its layout scaled to it; on any other page (a letter or A4 sheet chosen in the print
// dialog, A6 upright) the card is drawn at its own size at the top.
QRectF cardOnPage(QPrinter& printer)
{
    const QRectF page(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
    const qreal mm = printer.resolution() / 25.4;
    const QSizeF a6 = QPageSize(QPageSize::A6).size(QPageSize::Millimeter).transposed() * mm;
    if (page.width() >= page.height() && page.width() <= a6.width() + mm &&
        page.height() <= a6.height() + mm)
        return page;
    const QSizeF card((CardWidthMm - 2 * CardMarginMm) * mm,
                      (CardHeightMm - 2 * CardMarginMm) * mm);
    return QRectF(page.topLeft(), card.boundedTo(page.size()));
}

// One line of the pass, in a band of the card's height.
struct PassLine {
    QString text;
    double share;  // of the card's height
    bool bold;
};

class PassPrint {
public:
    PassPrint(QPrinter& printer, const VisitPass& pass)
        : printer_(printer), pass_(pass), page_(cardOnPage(printer))
    {}

    bool print()
    {
        QPainter painter;
        if (!painter.begin(&printer_))
            return false;
        painter.setPen(Qt::black);
        const qreal gap = page_.height() * 0.02;
        const QString day = pass_.day.toString(DayFormat);
        const QFont dayFont = printFont(points(HeaderShare), true);
        const qreal dayWidth = QFontMetricsF(dayFont, &printer_).horizontalAdvance(day);
        const qreal headerHeight = page_.height() * HeaderShare;
        drawLine(painter, {QStringLiteral("PRZEPUSTKA"), HeaderShare, true},
                 QRectF(0, 0, page_.width() - dayWidth - gap, headerHeight));
        painter.setFont(dayFont);
        painter.drawText(QRectF(0, 0, page_.width(), headerHeight),
                         Qt::AlignRight | Qt::AlignVCenter, day);
        qreal y = headerHeight + gap;
        painter.setPen(QPen(Qt::black, page_.height() * 0.01));
        painter.drawLine(QPointF(0, y), QPointF(page_.width(), y));
        painter.setPen(Qt::black);
        y += gap;
        // The code at the right, beside the lines of text, above the badge's line.
        qreal textWidth = page_.width();
        if (!pass_.code.isEmpty()) {
            const qreal side = page_.height() * CodeShare;
            drawQrCode(painter, QRectF(page_.width() - side, y, side, side), pass_.code);
            textWidth -= side + gap;
        }
        for (const PassLine& line : bodyLines()) {
            const qreal height = page_.height() * line.share;
            drawLine(painter, line, QRectF(0, y, textWidth, height));
            y += height;
        }
        if (!pass_.badge.isEmpty()) {
            const qreal height = page_.height() * BadgeShare;
            drawLine(painter, {QStringLiteral("Identyfikator: ") + pass_.badge, BadgeShare, true},
                     QRectF(0, page_.height() - height, page_.width(), height));
        }
        if (!pass_.back.isEmpty()) {
            if (!printer_.newPage())
                return false;
            drawBack(painter);
        }
        return painter.end();
    }

private:
    static constexpr double HeaderShare = 0.12;
    static constexpr double BadgeShare = 0.16;
    // The code's square, quiet zone included: a module of about 0.9 mm on the card.
    static constexpr double CodeShare = 0.55;
    static constexpr double MinimumPoints = 3;

    // The font size whose line fills `share` of the card's height.
    double points(double share) const
    {
        const qreal pixels = page_.height() * share * 0.72;
        return pixels * 72.0 / printer_.resolution();
    }

    std::vector<PassLine> bodyLines() const
    {
        std::vector<PassLine> lines{{pass_.guestName, 0.2, true}};
        if (!pass_.company.isEmpty())
            lines.push_back({pass_.company, 0.13, true});
        if (!pass_.employee.isEmpty())
            lines.push_back({QStringLiteral("Do: ") + pass_.employee, 0.12, false});
        QStringList place;
        if (!pass_.floor.isEmpty())
            place << QStringLiteral("Piętro: ") + pass_.floor;
        if (!pass_.room.isEmpty())
            place << QStringLiteral("Pokój: ") + pass_.room;
        if (!place.isEmpty())
            lines.push_back({place.join(QStringLiteral("    ")), 0.12, false});
        return lines;
    }

    // The whole text in the band, in the largest type of the band's size or less that holds
    // it on one line, or broken between words into the lines the band's height holds.
    void drawLine(QPainter& painter, const PassLine& line, const QRectF& band)
    {
        const double largest = points(line.share);
        QFont font = printFont(largest, line.bold);
        for (double size = largest; size > MinimumPoints; size *= 0.95) {
            font.setPointSizeF(size);
            if (QFontMetricsF(font, &printer_).horizontalAdvance(line.text) <= band.width() ||
                wrappedHeight(line.text, font, &printer_, band.width()) <= band.height())
                break;
        }
        drawWrapped(painter, band, line.text, font);
    }

    // The back's text over the whole card, in the largest type up to BackPoints that holds it.
    void drawBack(QPainter& painter)
    {
        QFont font = printFont(BackPoints);
        for (double size = BackPoints; size > MinimumPoints; size *= 0.95) {
            font.setPointSizeF(size);
            if (wrappedHeight(pass_.back, font, &printer_, page_.width()) <= page_.height())
                break;
        }
        painter.setPen(Qt::black);
        drawWrapped(painter, page_, pass_.back, font);
    }

    static constexpr double BackPoints = 10;

    QPrinter& printer_;
    const VisitPass& pass_;
    const QRectF page_;
};

// ------------------------------------------------------------ a text of paragraphs

class DocumentPrint {
public:
    DocumentPrint(QPrinter& printer, const QString& title, const QStringList& paragraphs)
        : printer_(printer),
          title_(title),
          paragraphs_(paragraphs),
          mm_(printer.resolution() / 25.4),
          page_(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size())
    {
        titleHeight_ =
            wrappedHeight(title_, printFont(TitlePoints, true), &printer_, page_.width()) +
            ParagraphGapMm * 2 * mm_;
        footerHeight_ = QFontMetricsF(printFont(TextPoints), &printer_).height() + 2 * mm_;
        const qreal body = page_.height() - footerHeight_;
        pages_.assign(1, {});
        qreal y = titleHeight_;
        for (const QString& paragraph : paragraphs_) {
            const qreal height = std::min(
                wrappedHeight(paragraph, printFont(DocumentPoints), &printer_, page_.width()),
                body);
            if (y > 0 && y + height > body) {
                pages_.emplace_back();
                y = 0;
            }
            pages_.back().push_back({paragraph, y, height});
            y += height + ParagraphGapMm * mm_;
        }
    }

    bool print()
    {
        QPainter painter;
        if (!painter.begin(&printer_))
            return false;
        painter.setPen(Qt::black);
        for (size_t p = 0; p < pages_.size(); ++p) {
            if (p > 0 && !printer_.newPage())
                return false;
            if (p == 0)
                drawTop(painter, QRectF(0, 0, page_.width(), titleHeight_), title_,
                        printFont(TitlePoints, true));
            for (const Placed& placed : pages_[p])
                drawTop(painter, QRectF(0, placed.y, page_.width(), placed.height), placed.text,
                        printFont(DocumentPoints));
            if (pages_.size() > 1) {
                painter.setFont(printFont(TextPoints));
                painter.drawText(
                    QRectF(0, page_.height() - footerHeight_, page_.width(), footerHeight_),
                    Qt::AlignHCenter | Qt::AlignBottom,
                    QStringLiteral("Strona %1 z %2").arg(p + 1).arg(pages_.size()));
            }
        }
        return painter.end();
    }

private:
    static constexpr double DocumentPoints = 12;  // read from a step away
    static constexpr double ParagraphGapMm = 3;

    struct Placed {
        QString text;
        qreal y, height;
    };

    static void drawTop(QPainter& painter, const QRectF& box, const QString& text,
                        const QFont& font)
    {
        QTextLayout layout(layoutText(text), font, painter.device());
        layOut(layout, box.width());
        painter.save();
        painter.setClipRect(box);
        layout.draw(&painter, box.topLeft());
        painter.restore();
    }

    QPrinter& printer_;
    const QString title_;
    const QStringList paragraphs_;
    const qreal mm_;
    const QRectF page_;
    qreal titleHeight_ = 0, footerHeight_ = 0;
    std::vector<std::vector<Placed>> pages_;
};

bool reportFailure(Prompts& prompts)
{
    prompts.message(FailedMessage, {}, Icon::Error);
    return false;
}

// A PDF chosen in the print dialog is the user's alone, made so before the first page is
// written into it and once more when it is done.
bool printedPrivately(QPrinter& printer, const std::function<bool()>& print)
{
    const QString pdf =
        printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    if (!pdf.isEmpty())
        preparePrivate(pdf);
    const bool printed = print();
    if (!pdf.isEmpty())
        makePrivate(pdf);
    return printed;
}

// The table's page: A4 with its margins, turned when the columns need it.
void setUpTablePage(QPrinter& printer, const PrintedTable& table)
{
    printer.setDocName(table.title);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(PageMarginMm, PageMarginMm, PageMarginMm, PageMarginMm),
                           QPageLayout::Millimeter);
    printer.setPageOrientation(TablePrint::needsLandscape(printer, table) ? QPageLayout::Landscape
                                                                          : QPageLayout::Portrait);
}

}  // namespace

bool printTable(Prompts& prompts, const QString& caption, const PrintedTable& table,
                const QDateTime& printedAt)
{
    QPrinter printer(QPrinter::HighResolution);
    setUpTablePage(printer, table);
    if (!prompts.choosePrinter(printer, caption))
        return false;
    return printedPrivately(printer,
                            [&] { return TablePrint(printer, table, printedAt).print(); }) ||
           reportFailure(prompts);
}

QByteArray tablePdf(const PrintedTable& table, const QDateTime& printedAt)
{
    // QPrinter writes files only: one in a folder of the user's own, gone on return.
    const QTemporaryDir folder;
    if (!folder.isValid())
        return {};
    const QString fileName = folder.filePath(QStringLiteral("tabela.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    setUpTablePage(printer, table);
    if (!printedPrivately(printer, [&] { return TablePrint(printer, table, printedAt).print(); }))
        return {};
    QFile pdf(fileName);
    return pdf.open(QIODevice::ReadOnly) ? pdf.readAll() : QByteArray();
}

bool printPass(Prompts& prompts, const VisitPass& pass)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Przepustka"));
    printer.setPageSize(cardSize());
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(CardMarginMm, CardMarginMm, CardMarginMm, CardMarginMm),
                           QPageLayout::Millimeter);
    if (!prompts.choosePrinter(printer, QStringLiteral("Drukuj przepustkę")))
        return false;
    fitPageToPrinter(printer);
    return printedPrivately(printer, [&] { return PassPrint(printer, pass).print(); }) ||
           reportFailure(prompts);
}

bool printDocument(Prompts& prompts, const QString& caption, const QString& title,
                   const QStringList& paragraphs)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    constexpr double marginMm = 20;
    printer.setPageMargins(QMarginsF(marginMm, marginMm, marginMm, marginMm),
                           QPageLayout::Millimeter);
    if (!prompts.choosePrinter(printer, caption))
        return false;
    return DocumentPrint(printer, title, paragraphs).print() || reportFailure(prompts);
}

QByteArray csvText(const QStringList& headers, const std::vector<QStringList>& rows)
{
    QByteArray text;
    const auto appendLine = [&](const QStringList& fields) {
        QByteArray line;
        for (qsizetype f = 0; f < std::max(fields.size(), headers.size()); ++f) {
            if (f > 0)
                line.append(csv::Separator);
            if (f < fields.size())
                csv::appendQuotedField(line, fields[f]);
        }
        text.append(line);
        text.append(csv::LineEnd);
    };
    appendLine(headers);
    for (const QStringList& row : rows)
        appendLine(row);
    return text;
}

}  // namespace controls
