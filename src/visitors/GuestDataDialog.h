#pragma once
// "Dane osobowe gościa": everything the register keeps about one guest (the registry record,
// the mark "Zakaz wstępu" with its reason and day, and every visit with its times, employee,
// badge, card and message), shown as a list and saved, on request, as a PDF on A4 or a CSV
// file.
#include "controls/Printing.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;
namespace desk {
class Desk;
}

namespace visitors {

// The guest's data as one table: the record's lines first, as headings, then one row per
// visit in the order of arrival. Read in the desk's transaction.
controls::PrintedTable guestDataTable(desk::Desk& desk, int guestId);

}  // namespace visitors

class GuestDataDialog : public QDialog {
    Q_OBJECT
public:
    explicit GuestDataDialog(desk::Desk& desk, QWidget* parent = nullptr);
    // Reads the guest's data, shows it and waits.
    int exec(int guestId);
    // The same, returning at once.
    void open(int guestId);

private:
    void showGuest(int guestId);
    void savePdf();
    void saveCsv();

    desk::Desk& desk_;
    int guestId_ = 0;
    controls::PrintedTable table_;

    QLabel* titleLabel;
    QTableWidget* dataTable;
    QPushButton* pdfButton;
    QPushButton* csvButton;
    QPushButton* closeButton;
};
