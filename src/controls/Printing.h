#pragma once
// The one printing helper of every window: lists on A4 pages, the visitor's pass, and a list
// as a CSV file. The printer, or a PDF file, is chosen through the prompts.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace controls {

class Prompts;

struct PrintedTable {
    QString title;  // printed on every page, e.g. "Lista ewakuacyjna"
    QStringList headers;
    std::vector<int> widths;  // relative widths of the columns
    // A row with one cell is a heading across the table (a group: a day, a company).
    std::vector<QStringList> rows;
    // A last empty column "Podpis" wide enough to sign (the warden's evacuation list).
    bool signatureColumn = false;
};

// Lays the table out on A4, portrait, or landscape when its columns need more than a
// portrait page's width, repeating the title, the column headings, `printedAt`
// ("dd-MM-yyyy hh:mm") and "Strona n z m" on every page; black on white with ruled lines,
// readable from a black-and-white printer. False when the print dialog was cancelled or the
// printing failed (which is reported).
bool printTable(Prompts& prompts, const QString& caption, const PrintedTable& table,
                const QDateTime& printedAt);

// The same pages as printTable prints, as the bytes of a PDF file (to send by e-mail); empty
// when it could not be made.
QByteArray tablePdf(const PrintedTable& table, const QDateTime& printedAt);

struct VisitPass {
    QString guestName, company, employee, floor, room, badge;
    QDate day;
    // Printed on a second page, the back of the card, in the largest type that holds it;
    // no second page when empty.
    QString back;
    // Drawn as a QR code at the card's right side, for the scanner at the way out; none
    // when empty.
    QString code;
};

// A visitor pass: a card of 86 x 54 mm, or A6 where the printer has no such size; the
// guest's name, the company, employee, floor and room, the date and the badge number, in
// large type. A larger page set in the print dialog gets the card at its own size at its
// top. No text is cut: a long name or company is set smaller, or broken into lines. There is no
// field for the guest's document, on purpose: a pass is worn in sight of everyone. False as
// printTable.
bool printPass(Prompts& prompts, const VisitPass& pass);

// A text of paragraphs on A4, portrait, under its title, in type large enough to be read
// on a notice board, on as many pages as it needs ("Strona n z m" below each when more
// than one). False as printTable.
bool printDocument(Prompts& prompts, const QString& caption, const QString& title,
                   const QStringList& paragraphs);

// A list as CSV: Windows-1250, ";" between fields, CR LF after every line, fields quoted as
// RFC 4180 says where needed and no cell starting a formula (csv::appendQuotedField); the
// header line first; a row shorter than the header (a group heading) is filled with empty
// fields so that every line has the header's number of fields.
QByteArray csvText(const QStringList& headers, const std::vector<QStringList>& rows);

}  // namespace controls
