#pragma once
// One page of the reception overview: a list of visits read by one statement, drawn in the
// shared colours, with the page's own buttons below it. The page keeps the visit selected
// across readings, and gives its rows as a table to save or print.
#include "controls/DataGrid.h"
#include "controls/Printing.h"
#include "db/DataSet.h"

#include <QWidget>
#include <vector>

class QHBoxLayout;
class QPushButton;
class QVBoxLayout;
namespace desk {
class Desk;
}

class OverviewPage : public QWidget {
    Q_OBJECT
public:
    OverviewPage(desk::Desk& desk, const QString& caption, QWidget* parent = nullptr);

    // The page's name ("W budynku"); the tab shows the title, the name with the number of
    // visits listed.
    const QString& caption() const { return caption_; }
    QString title() const;
    // Reads the page again; the visit selected stays selected while it is still listed.
    void read();
    bool isRead() const { return visits.active(); }
    int currentVisitId() const;
    bool selectVisit(int visitId);
    // The rows as the list shows them, for a file (no title).
    controls::PrintedTable table() const;
    // The same for a print, where a page may add headings across the table and totals.
    virtual controls::PrintedTable printedTable() const { return table(); }
    // The evacuation list prints a column to sign.
    virtual bool printsSignatures() const { return false; }
    // The page as printed and sent: printedTable() under its title ("Lista ewakuacyjna –
    // W budynku (3)" for the evacuation list).
    controls::PrintedTable printout() const;
    // What a pass or a notification of the selected visit needs.
    QVariant currentValue(const QString& field) const;

signals:
    void titleChanged();
    // The selected visit, or the page's rows, changed: the window's buttons follow.
    void selectionChanged();
    // A double click or Enter on a visit.
    void visitChosen(int visitId);
    // The page stored a change of a visit and committed it: the other pages may show it.
    void visitsStored();

protected:
    // The overview's one select of visits, with their company and the employee's floor,
    // room and e-mail, completed by the page's where and order by.
    static QString selectVisits(const char* whereAndOrder);
    // The same with the guests' marks "Zakaz wstępu": the field ZAKAZ says it, in banColumn(),
    // and a marked guest's row is red. Set in the constructor; chosen at every reading, since
    // an older database has no marks until it is upgraded.
    void selectVisitsWithBans(const char* whereAndOrder);
    static controls::GridColumn banColumn();
    // The list's type, and the width of a date and time in it.
    QFont listFont() const;
    int dateTimeWidth() const;
    // Sets the statement's parameters just before it runs.
    virtual void prepareRead() {}
    // After every reading.
    virtual void afterRead() {}
    virtual void updateButtons() {}
    QPushButton* addButton(const char* name, const QString& text);
    // Runs an operation that changed the database: its work is committed and the page
    // read again, or rolled back and reported.
    void storeAndRead(const std::function<void()>& change);
    QString visitText(const QString& field, const QString& dateTimeFormat = {}) const;
    // A cell's text in a colour of its own, cut to the cell.
    void drawCellText(QPainter* painter, const QRect& cell, const QString& text,
                      const QColor& colour, Qt::Alignment alignment) const;

    desk::Desk& desk_;
    db::DataSet visits;
    controls::DataGrid* grid = nullptr;
    QVBoxLayout* pageLayout = nullptr;

private:
    void openVisits();

    QString caption_;
    QHBoxLayout* buttonRow_ = nullptr;
    const char* bansWhere_ = nullptr;
};
