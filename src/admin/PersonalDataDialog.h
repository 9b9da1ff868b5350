#pragma once
// "Usuwanie danych osobowych": the administrator sets how many months guests' personal data
// is kept, sees what lies before the cut-off day, and erases it in one unit of work. The
// retention time and the day of the last removal live in Halvane.ini (section RODO).
#include "admin/PersonalDataRemoval.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;
namespace desk {
class Desk;
}

class PersonalDataDialog : public QDialog {
    Q_OBJECT
public:
    explicit PersonalDataDialog(desk::Desk& desk, QWidget* parent = nullptr);
    // Reads the settings and the counts, shows the window and waits.
    int exec() override;
    // The same, returning at once.
    void open() override;

private:
    void prepareForShowing();
    admin::RemovalCounts showCounts();
    QStringList oldFiles() const;
    void removeOldData();
    bool questionAnswered(const admin::RemovalCounts& counts);
    void storeRetention();
    void storeLastRemoval();
    void showLastRemoval();

    desk::Desk& desk_;
    admin::PersonalDataRemoval removal_;
    QDate cutOff_;

    QSpinBox* monthsSpin;
    QLabel* cutOffLabel;
    QLabel* guestsLabel;
    QLabel* visitsLabel;
    QLabel* lastRemovalLabel;
    QPushButton* removeButton;
    QPushButton* closeButton;
};
