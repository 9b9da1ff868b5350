// The connection parameter file: scrambled round trips, the default, odd files, and the
// text reaching the connection.
#include "admin/ConnectionParamsFile.h"
#include "db/Database.h"
#include "db/Error.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace admin;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class ConnectionParamsFileTest : public QObject {
    Q_OBJECT
private slots:
    void withoutAFileTheDefaultIsUsed()
    {
        QTemporaryDir dir;
        const QString text = readConnectionParams(dir.path() + '/');
        QCOMPARE(text, QString("user_name=SYSDBA\r\npassword=brasswick\r\nlc_ctype=WIN1250"));
        QVERIFY(!text.endsWith("\r\n"));
    }

    void aWrittenTextReadsBack()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + '/';
        const QString text = "user_name=Recepcja\r\npassword=Hasło-żółw;42\r\nlc_ctype=WIN1250\r\n";
        writeConnectionParams(folder, text);
        QCOMPARE(readConnectionParams(folder), text);

        const QByteArray first = fileBytes(folder + "params.db");
        QCOMPARE(first.size(), text.size() * 3);
        // Each character's code is the first byte of its group, masked with 0x5D.
        QCOMPARE(quint8(first[0]), quint8('u' ^ 0x5D));
        QCOMPARE(quint8(first[3 * text.indexOf(u'ł')]), quint8(0xB3 ^ 0x5D));  // ł in Windows-1250
        // It holds a password: only its owner may read it.
        QCOMPARE(QFile::permissions(folder + "params.db") &
                     (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFileDevice::Permissions());

        writeConnectionParams(folder, text);  // the same text again, at once
        const QByteArray second = fileBytes(folder + "params.db");
        QCOMPARE(second.size(), first.size());
        bool fillerDiffers = false;
        for (int i = 0; i < first.size(); ++i) {
            if (i % 3 == 0)
                QCOMPARE(second[i], first[i]);
            else
                fillerDiffers = fillerDiffers || second[i] != first[i];
        }
        QVERIFY(fillerDiffers);
    }

    void filesOfOtherWritersReadByTheFormat()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + '/';
        // Any filler will do; four bytes are one whole group and one cut short.
        writeBytes(folder + "params.db", QByteArray("\x3c\x00\xff\x3c", 4));
        QCOMPARE(readConnectionParams(folder), QString("aa"));
        writeBytes(folder + "params.db", QByteArray());
        QCOMPARE(readConnectionParams(folder), QString());
    }

    void textOutsideWindows1250IsRefusedAndNothingWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("user name")
            << "user_name=Жанна\r\npassword=x\r\nlc_ctype=WIN1250\r\n"
            << "Znak „Ж” w polu „Użytkownik:” nie mieści się w stronie kodowej Windows-1250.";
        QTest::newRow("password, its letter not shown")
            << "user_name=SYSDBA\r\npassword=Søren\r\nlc_ctype=WIN1250\r\n"
            << "Hasło zawiera znak, który nie mieści się w stronie kodowej Windows-1250.";
    }
    void textOutsideWindows1250IsRefusedAndNothingWritten()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString folder = dir.path() + '/';
        writeConnectionParams(folder, "user_name=A\r\n");
        try {
            writeConnectionParams(folder, text);
            QFAIL("the text was written");
        } catch (const db::Error& e) {
            QCOMPARE(e.message(), message);
        }
        QCOMPARE(readConnectionParams(folder), QString("user_name=A\r\n"));
    }

    void aFileLargerThanAnyWeWriteIsRefusedShortly()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + '/';
        writeBytes(folder + "params.db", QByteArray(64 * 1024, '\x2c'));
        QCOMPARE(readConnectionParams(folder).size(), 64 * 1024 / 3 + 1);  // the largest taken
        writeBytes(folder + "params.db", QByteArray(64 * 1024 + 1, '\x2c'));
        try {
            readConnectionParams(folder);
            QFAIL("the file was read");
        } catch (const db::Error& e) {
            QVERIFY2(e.message().contains("za duży") && e.message().size() < 100 + folder.size(),
                     qPrintable(e.message()));
        }
    }

    void writingIntoAMissingFolderFailsClearly()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/nie-ma/";
        QVERIFY_THROWS_EXCEPTION(db::Error, writeConnectionParams(folder, "user_name=A\r\n"));
        QVERIFY(!QFile::exists(folder + "params.db"));
    }

    void theStoredParametersReachTheConnection()
    {
        testsupport::TestDatabase t;
        const QString folder = t.folder();
        writeConnectionParams(folder,
                              "user_name=SYSDBA\r\npassword=cokolwiek\r\nlc_ctype=WIN1250\r\n");
        db::Database database;
        database.setDatabaseName(t.path());
        database.setParamsText(readConnectionParams(folder));
        database.open();
        QVERIFY(database.connected());
        QCOMPARE(database.param("user_name"), QString("SYSDBA"));
        QCOMPARE(database.param("password"), QString("cokolwiek"));
        QCOMPARE(database.charset(), QString("WIN1250"));

        // A character set the program cannot convert is named, not replaced in silence.
        writeConnectionParams(folder, "user_name=SYSDBA\r\npassword=x\r\nlc_ctype=DOS852\r\n");
        db::Database foreign;
        foreign.setDatabaseName(t.path());
        foreign.setParamsText(readConnectionParams(folder));
        try {
            foreign.open();
            QFAIL("connected with a character set it cannot read");
        } catch (const db::Error& e) {
            QVERIFY2(e.message().contains("'DOS852'"), qPrintable(e.message()));
        }
        QVERIFY(!foreign.connected());

        // A garbled file gives a clear error, and no connection.
        writeBytes(folder + "params.db", QByteArray("\x01\x02\x03\x04\x05\x06\x07", 7));
        db::Database garbled;
        garbled.setDatabaseName(t.path());
        garbled.setParamsText(readConnectionParams(folder));
        QVERIFY_THROWS_EXCEPTION(db::Error, garbled.open());
        QVERIFY(!garbled.connected());
    }
};

HALVANE_TEST(ConnectionParamsFileTest);
#include "ConnectionParamsFileTest.moc"
