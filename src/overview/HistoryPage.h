#pragma once
// "Historia": the visits that arrived within a range of days, of every company or of one,
// with the number of visits per company and per day.
#include "overview/OverviewPage.h"

#include <QDate>

class QComboBox;
class QDateEdit;
class QToolButton;

class HistoryPage : public OverviewPage {
    Q_OBJECT
public:
    explicit HistoryPage(desk::Desk& desk, QWidget* parent = nullptr);
    controls::PrintedTable printedTable() const override;

private:
    void prepareRead() override;
    void afterRead() override;
    QDateEdit* makeDateEdit(const char* name, const QString& accessibleName);
    QToolButton* makePickButton(const char* name, QDateEdit* edit);
    void readCompanies();
    void setCountParams(db::DataSet& counts) const;
    void readIfShown();

    db::DataSet companies;
    db::DataSet companyCounts;
    db::DataSet dayCounts;
    QDateEdit* fromDateEdit = nullptr;
    QDateEdit* toDateEdit = nullptr;
    QComboBox* companyBox = nullptr;
    controls::DataGrid* companyCountGrid = nullptr;
    controls::DataGrid* dayCountGrid = nullptr;
    bool settingUp_ = true;
};
