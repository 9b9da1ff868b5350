// The printing helper into PDF files, read back with poppler's tools as a reader would see
// the paper: the pages of a long list with what repeats on each, the orientation a list's
// columns need, the pass's card and what it shows, a list's CSV bytes, and a print that
// did not happen.
#include "controls/Printing.h"
#include "support/AnsweringPrompts.h"
#include "support/PdfPages.h"
#include "support/Screenshot.h"
#include "support/testmain.h"

#include <QFile>
#include <QPageSize>
#include <QTemporaryDir>
#include <QTest>

using testsupport::firstPage;
using testsupport::inkShare;
using testsupport::pageCount;
using testsupport::pageSizeMm;
using testsupport::pdfText;
using testsupport::screenshotFolder;

namespace {

const QDateTime PrintedAt(QDate(2026, 3, 5), QTime(10, 30));

// The evacuation list of a building with three companies of 40 guests each.
controls::PrintedTable evacuationList()
{
    controls::PrintedTable table;
    table.title = "Lista ewakuacyjna";
    table.headers = QStringList{"Nazwisko i imię", "Pracownik", "Identyfikator"};
    table.widths = {5, 4, 2};
    table.signatureColumn = true;
    for (const QString& company : {"Żabka Sp. z o.o.", "Firma Łąka", "Biuro Ćma"}) {
        table.rows.push_back({company});
        for (int i = 1; i <= 40; ++i)
            table.rows.push_back({QString("Gość %1 %2 Źdźbło").arg(company.left(3)).arg(i),
                                  "Nowak Anna", QString("G-%1").arg(i)});
    }
    return table;
}

}  // namespace

class PrintingTest : public QObject {
    Q_OBJECT
private slots:
    void aLongListIsPagedWithItsTitleHeadingsDateAndPageNumbers()
    {
        QTemporaryDir folder;
        const QString pdf = folder.filePath("lista.pdf");
        testsupport::AnsweringPrompts prompts;
        prompts.printFiles.enqueue(pdf);
        const controls::PrintedTable table = evacuationList();
        QVERIFY(controls::printTable(prompts, "Drukuj listę ewakuacyjną", table, PrintedAt));
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown.front().kind, QString("print"));
        QCOMPARE(prompts.shown.front().caption, QString("Drukuj listę ewakuacyjną"));

        const int pages = pageCount(pdf);
        QVERIFY2(pages > 1, qPrintable(QString::number(pages)));
        const QSizeF size = pageSizeMm(pdf);  // few columns: portrait A4
        QVERIFY(qAbs(size.width() - 210) < 1 && qAbs(size.height() - 297) < 1);
        const QImage page = firstPage(pdf, folder.filePath("page.png"), 50);
        QVERIFY(inkShare(page) > 0.01);
        QVERIFY(inkShare(page) < 0.5);
        firstPage(pdf, screenshotFolder() + "lista_ewakuacyjna.png", 100);

        // Every page repeats its title, headings and date; no row is lost at a page break.
        const QString text = pdfText(pdf);
        QCOMPARE(text.count("Lista ewakuacyjna"), pages);
        for (const QString& heading : table.headers + QStringList{"Podpis"})
            QCOMPARE(text.count(heading), pages);
        QCOMPARE(text.count("05-03-2026 10:30"), pages);
        for (int p = 1; p <= pages; ++p)
            QVERIFY2(text.contains(QString("Strona %1 z %2").arg(p).arg(pages)),
                     qPrintable(QString::number(p)));
        for (const QStringList& row : table.rows)
            QVERIFY2(text.contains(row.front()), qPrintable(row.front()));
        QFile bytes(folder.filePath("bajty.pdf"));  // the same pages, to be sent by e-mail
        QVERIFY(bytes.open(QIODevice::WriteOnly) &&
                bytes.write(controls::tablePdf(table, PrintedAt)) > 0 && bytes.flush());
        QCOMPARE(pdfText(bytes.fileName()), text);
    }

    void theColumnsDecideTheOrientation_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<bool>("signature");
        QTest::addColumn<bool>("landscape");
        QTest::newRow("three columns") << 3 << false << false;
        QTest::newRow("three columns and a signature") << 3 << true << false;
        QTest::newRow("nine columns") << 9 << false << true;
    }
    void theColumnsDecideTheOrientation()
    {
        QFETCH(int, columns);
        QFETCH(bool, signature);
        QFETCH(bool, landscape);
        controls::PrintedTable table;
        table.title = "Historia wizyt";
        table.signatureColumn = signature;
        QStringList row;
        for (int c = 0; c < columns; ++c) {
            table.headers << QString("Kolumna %1").arg(c + 1);
            row << QString("Wartość dość długa %1").arg(c + 1);
        }
        table.rows = {row, row};
        QTemporaryDir folder;
        testsupport::AnsweringPrompts prompts;
        prompts.printFiles.enqueue(folder.filePath("lista.pdf"));
        QVERIFY(controls::printTable(prompts, "Drukuj", table, PrintedAt));
        const QSizeF size = pageSizeMm(folder.filePath("lista.pdf"));
        QCOMPARE(size.width() > size.height(), landscape);
        QCOMPARE(qRound(std::max(size.width(), size.height())), 297);
    }

    // A page set in the print dialog gets the card at its own size at its top; nothing is cut.
    void aPassIsACardWithTheGuestTheHostAndTheBadge_data()
    {
        QTest::addColumn<int>("page");  // the print dialog's QPageSize::PageSizeId; -1: none
        QTest::addColumn<QSize>("paper");
        QTest::newRow("the card") << -1 << QSize(86, 54);
        QTest::newRow("Letter") << int(QPageSize::Letter) << QSize(216, 279);
        QTest::newRow("A6") << int(QPageSize::A6) << QSize(105, 148);
    }
    void aPassIsACardWithTheGuestTheHostAndTheBadge()
    {
        QFETCH(int, page);
        QTemporaryDir folder;
        const QString pdf = folder.filePath("przepustka.pdf");
        testsupport::AnsweringPrompts prompts;
        prompts.printFiles.enqueue(pdf);
        if (page >= 0)
            prompts.printPage = QPageSize(QPageSize::PageSizeId(page));
        const QString name = "Łukasiewicz Bożydar Konstanty",
                      company = "Biuro Rachunkowe Żurawski i Wspólnicy Spółka Komandytowa";
        const controls::VisitPass pass{name,   company,      "Nowak Anna", "3",       "312",
                                       "G-17", {2026, 3, 5}, {},           "P-100017"};
        QVERIFY(controls::printPass(prompts, pass));
        QCOMPARE(prompts.shown.front().caption, QString("Drukuj przepustkę"));
        QCOMPARE(pageCount(pdf), 1);
        QTEST(pageSizeMm(pdf).toSize(), "paper");
        const QString text = pdfText(pdf).simplified();
        for (const QString& shown : {name, company, QString("Nowak Anna"), QString("Piętro: 3"),
                                     QString("Pokój: 312"), QString("G-17"), QString("05-03-2026")})
            QVERIFY2(text.contains(shown), qPrintable(shown + " in " + text));
        const QImage card =
            firstPage(pdf, screenshotFolder() + QString("przepustka%1.png").arg(page), 100);
        const int width = qRound(86 / 25.4 * 100), height = qRound(56 / 25.4 * 100);
        QVERIFY(inkShare(card.copy(0, 0, width, height)) > 0.02);
        QCOMPARE(inkShare(card.copy(width, 0, card.width() - width, card.height())) +
                     inkShare(card.copy(0, height, card.width(), card.height() - height)),
                 0.0);
        // The code beside the text, as a scanner at the way out reads the paper.
        const QString scanned = folder.filePath("przepustka300.png");
        firstPage(pdf, scanned, 300);
        QCOMPARE(testsupport::runTool("zbarimg", {"-q", "--raw", scanned}).trimmed(),
                 QString("P-100017"));
    }

    void aListAsCsvQuotesWhatTheSeparatorOrAQuoteWouldBreak()
    {
        const QByteArray csv = controls::csvText(
            {"Nazwisko i imię", "Firma"},
            {{"Firmy na piętrze 3"}, {"Zając Ewa", "Biuro; \"Ćma\""}, {"Nowak Anna", ""}});
        QCOMPARE(csv, QByteArray("Nazwisko i imi\xEA;Firma\r\n"
                                 "Firmy na pi\xEAtrze 3;\r\n"
                                 "Zaj\xB9"
                                 "c Ewa;\"Biuro; \"\"\xC6ma\"\"\"\r\n"
                                 "Nowak Anna;\r\n"));
    }

    void aPrintThatDoesNotHappenSaysSo_data()
    {
        QTest::addColumn<QString>("file");  // what the print dialog answers
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("cancelled") << QString() << QStringList();
        QTest::newRow("into a folder that is not there")
            << "/nonexistent-folder/lista.pdf" << QStringList{"Drukowanie nie powiodło się."};
    }
    void aPrintThatDoesNotHappenSaysSo()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, messages);
        testsupport::AnsweringPrompts prompts;
        for (int i = 0; i < 2 && !file.isEmpty(); ++i) {
            prompts.printFiles.enqueue(file);
            QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        }
        QVERIFY(!controls::printTable(prompts, "Drukuj", evacuationList(), PrintedAt));
        QVERIFY(!controls::printPass(prompts, {"Gość", {}, {}, {}, {}, {}, QDate(2026, 3, 5)}));
        QCOMPARE(prompts.messages(), messages + messages);
        QCOMPARE(prompts.shown.first().kind, QString("print"));
        QVERIFY(!QFile::exists(file));
    }
};

HALVANE_TEST(PrintingTest);
#include "PrintingTest.moc"
