#pragma once
// Databases for the administration tests: a file on the local Firebird server (created by
// the server, so it belongs to the server's user, in a folder the server may write), the
// check that the server answers, and the rows of a database for comparing two of them.
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/Error.h"
#include "db/Firebird.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <ibase.h>
#include <memory>

namespace testsupport {

inline const char* const kServerPassword = "masterkey";

// Why the local server cannot be used, or empty when it answers with the tests' password.
inline QString serverProblem()
{
    db::fb::Status st;
    db::fb::Builder spb(Firebird::IXpbBuilder::SPB_ATTACH, st);
    spb->insertString(&st, isc_spb_user_name, "SYSDBA");
    spb->insertString(&st, isc_spb_password, kServerPassword);
    db::fb::Ref<Firebird::IProvider> provider(db::fb::master()->getDispatcher());
    db::fb::Ref<Firebird::IService> service(provider->attachServiceManager(
        &st, "localhost:service_mgr", spb->getBufferLength(&st), spb->getBuffer(&st)));
    if (st.failed())
        return st.text();
    service->detach(&st);
    if (!st.failed())
        service.forget();
    return {};
}

// Fails the test, saying what to run, when no server answers on localhost.
#define REQUIRE_FIREBIRD_SERVER()                                                          \
    do {                                                                                   \
        const QString problem = testsupport::serverProblem();                              \
        if (!problem.isEmpty())                                                            \
            QFAIL(                                                                         \
                qPrintable("This test needs the Firebird server on localhost with SYSDBA " \
                           "password 'masterkey' (bash scripts/firebird-server.sh, as "    \
                           "root): " +                                                     \
                           problem));                                                      \
    } while (false)

// A folder that the server's own user may write into.
class SharedFolder {
public:
    SharedFolder()
    {
        QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                               QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                               QFileDevice::ReadOther | QFileDevice::WriteOther |
                                               QFileDevice::ExeOther);
    }
    QString path() const { return dir_.path() + u'/'; }

private:
    QTemporaryDir dir_;
};

inline std::unique_ptr<db::Database> connectTo(const QString& name)
{
    auto database = std::make_unique<db::Database>();
    database->setDatabaseName(name);
    database->setParamsText(QString::fromLatin1(kTestParams));
    database->open();
    return database;
}

// A database with the schema and the demo rows, made by the server on localhost.
class ServerDatabase {
public:
    ServerDatabase()
    {
        path_ = folder_.path() + QStringLiteral("SERWER.FDB");
        db::fb::Status st;
        db::fb::Builder dpb(Firebird::IXpbBuilder::DPB, st);
        dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&st, isc_dpb_password, kServerPassword);
        dpb->insertString(&st, isc_dpb_set_db_charset, "WIN1250");
        dpb->insertInt(&st, isc_dpb_sql_dialect, 3);
        dpb->insertInt(&st, isc_dpb_force_write, 0);
        st.check();
        db::fb::Ref<Firebird::IProvider> provider(db::fb::master()->getDispatcher());
        db::fb::Ref<Firebird::IAttachment> created(provider->createDatabase(
            &st, name().toUtf8().constData(), dpb->getBufferLength(&st), dpb->getBuffer(&st)));
        st.check();
        created->detach(&st);
        st.check();
        created.forget();
        auto database = connectTo(name());
        for (const QString& file :
             {QStringLiteral("schema/schema.sql"), QStringLiteral("schema/demo.sql")})
            for (const QString& sql : splitSql(readProjectFile(file))) {
                database->execute(sql);
                database->transaction().commitRetaining();
            }
    }
    const QString& path() const { return path_; }
    QString folder() const { return folder_.path(); }
    QString name() const { return QStringLiteral("localhost:") + path_; }

private:
    SharedFolder folder_;
    QString path_;
};

// Every row of the five tables, one text line each, in key order.
inline QStringList allRows(const QString& databaseName)
{
    auto database = connectTo(databaseName);
    QStringList rows;
    for (const char* table : {"FIRMY", "DZIALY", "PERSONEL", "GOSCIE", "WIZYTY"}) {
        db::DataSet query(*database);
        query.setSelectSql(QStringLiteral("select * from %1 order by ID").arg(table));
        query.open();
        for (int row = 0; row < query.recordCount(); ++row) {
            QStringList values{QString::fromLatin1(table)};
            for (int column = 0; column < int(query.fields().size()); ++column)
                values << query.value(row, column).toString();
            rows << values.join(u'|');
        }
    }
    return rows;
}

}  // namespace testsupport
