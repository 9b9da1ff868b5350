#pragma once
// A Desk for one window under test: a fresh database (or a given connection), answering
// prompts, a clock the test sets, and the windows of other folders as functions the test
// may replace.
#include "controls/Clock.h"
#include "db/Database.h"
#include "desk/Desk.h"
#include "desk/MailSetup.h"
#include "mail/Courier.h"
#include "support/AnsweringPrompts.h"

#include <QCursor>
#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <functional>

namespace testsupport {

class FixedClock : public controls::Clock {
public:
    QDateTime time{QDate(2026, 3, 5), QTime(10, 30)};
    QDateTime now() const override { return time; }
};

class TestDesk : public desk::Desk {
public:
    explicit TestDesk(db::Database& database) : database_(database) {}

    AnsweringPrompts answers;
    // The settings folder, when the test names one; else a fresh temporary folder.
    QString settingsFolderPath;
    FixedClock fixedClock;
    std::function<std::optional<QString>(const desk::ValueRequest&)> valueAnswer =
        [](const desk::ValueRequest&) { return std::optional<QString>(); };
    std::function<std::optional<QDate>(const QDate&, QWidget*)> dateAnswer =
        [](const QDate&, QWidget*) { return std::optional<QDate>(); };

    std::function<std::optional<desk::CompanyAndDepartment>(int, int)> companyAnswer =
        [](int, int) { return std::optional<desk::CompanyAndDepartment>(); };
    std::function<std::optional<desk::EmployeeChoice>()> employeeAnswer = [] {
        return std::optional<desk::EmployeeChoice>();
    };
    // Plays the visit editor; the visits it was opened on are kept in order.
    std::function<bool(int)> visitAnswer = [](int) { return false; };
    QList<int> visitsEdited;

    db::Database& database() override { return database_; }
    controls::Prompts& prompts() override { return answers; }
    const controls::Clock& clock() const override { return fixedClock; }
    QString programFolder() const override { return folder_.path() + u'/'; }
    QString settingsFolder() const override
    {
        return settingsFolderPath.isEmpty() ? folder_.path() + u'/' : settingsFolderPath;
    }
    // The settings file's single values, by "section/key".
    QMap<QString, QString> settingsValues;
    QString settingsValue(const QString& section, const QString& key) const override
    {
        return settingsValues.value(section + u'/' + key);
    }
    void storeSettingsValue(const QString& section, const QString& key,
                            const QString& value) override
    {
        settingsValues.insert(section + u'/' + key, value);
    }
    // The erasure ledger in a folder (the settings folder when none is named); empty when
    // there is none.
    QString ledgerText(const QString& folder = {}) const
    {
        QFile file((folder.isEmpty() ? settingsFolder() : folder) +
                   QStringLiteral("usuniecia_danych.txt"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QCursor treeCursor(controls::TreeCursor kind) const override
    {
        return controls::treeCursor(kind);
    }
    // Closes the test's connection (and the courier's, for good) around the work and opens it
    // again.
    bool withConnectionClosed(const std::function<void()>& work) override
    {
        courier_.reset();
        database_.close();
        work();
        database_.open();
        return database_.connected();
    }
    std::optional<QString> askValue(const desk::ValueRequest& request) override
    {
        return valueAnswer(request);
    }
    std::optional<QDate> pickDate(const QDate& shown, QWidget* anchor) override
    {
        return dateAnswer(shown, anchor);
    }

    std::optional<desk::CompanyAndDepartment> pickCompanyAndDepartment(int companyId,
                                                                       int departmentId) override
    {
        return companyAnswer(companyId, departmentId);
    }
    std::optional<desk::EmployeeChoice> findEmployee() override { return employeeAnswer(); }
    bool editVisit(int visitId) override
    {
        visitsEdited.append(visitId);
        return visitAnswer(visitId);
    }

    // Mail as "Dodatki > Poczta" stores it, and a courier looking at the outbox often.
    void setUpMail(const mail::MailSettings& settings)
    {
        desk::storeMailSettings(*this, settings);
        const std::chrono::milliseconds soon(200);
        courier_ = std::make_unique<mail::Courier>(mail::CourierOptions{
            database_.databaseName(), database_.params(), settings, "test", soon, soon, soon});
    }
    mail::Courier* courier() override { return courier_.get(); }

private:
    db::Database& database_;
    QTemporaryDir folder_;
    std::unique_ptr<mail::Courier> courier_;
};

}  // namespace testsupport
