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

    // The print dialog's page settings may replace the card: the pass is laid out on the
    // page it gets, the card at its own size at the top of a larger one, and nothing is cut.
    void aPassIsACardWithTheGuestTheHostAndTheBadge_data()
    {
        QTest::addColumn<int>("dialogPage");  // a QPageSize::PageSizeId; -1: the card kept
        QTest::addColumn<QSizeF>("paper");
        QTest::newRow("the card") << -1 << QSizeF(86, 54);
        QTest::newRow("Letter") << int(QPageSize::Letter) << QSizeF(215.9, 279.4);
        QTest::newRow("A6") << int(QPageSize::A6) << QSizeF(105, 148);
    }
    void aPassIsACardWithTheGuestTheHostAndTheBadge()
    {
        QFETCH(int, dialogPage);
        QFETCH(QSizeF, paper);
        QTemporaryDir folder;
        const QString pdf = folder.filePath("przepustka.pdf");
        testsupport::AnsweringPrompts prompts;
        prompts.printFiles.enqueue(pdf);
        if (dialogPage >= 0)
            prompts.printPage = QPageSize(QPageSize::PageSizeId(dialogPage));
        const QString name = "Łukasiewicz Bożydar Konstanty",
                      company = "Biuro Rachunkowe Żurawski i Wspólnicy Spółka Komandytowa";
        const controls::VisitPass pass{name,  company, "Nowak Anna",     "3",
                                       "312", "G-17",  QDate(2026, 3, 5)};
        QVERIFY(controls::printPass(prompts, pass));
        QCOMPARE(prompts.shown.front().caption, QString("Drukuj przepustkę"));
        QCOMPARE(pageCount(pdf), 1);
        const QSizeF size = pageSizeMm(pdf);
        QVERIFY2(
            qAbs(size.width() - paper.width()) < 0.3 && qAbs(size.height() - paper.height()) < 0.3,
            qPrintable(QString("%1 x %2").arg(size.width()).arg(size.height())));
        const QString text = pdfText(pdf).simplified();
        for (const QString& shown : {name, company, QString("Nowak Anna"), QString("Piętro: 3"),
                                     QString("Pokój: 312"), QString("G-17"), QString("05-03-2026")})
            QVERIFY2(text.contains(shown), qPrintable(shown + " in " + text));
        // The card at its own size at the top of a larger page: no ink beside or below it.
        const QImage page = firstPage(
            pdf, screenshotFolder() + QString("przepustka_%1.png").arg(QTest::currentDataTag()),
            100);
        const int card = qRound(86 / 25.4 * 100), below = qRound(56 / 25.4 * 100);
        QVERIFY(inkShare(page.copy(0, 0, card, below)) > 0.02);
        QCOMPARE(inkShare(page.copy(card, 0, page.width() - card, page.height())), 0.0);
        QCOMPARE(inkShare(page.copy(0, below, page.width(), page.height() - below)), 0.0);
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
