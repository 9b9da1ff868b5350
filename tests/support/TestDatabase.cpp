#include "support/TestDatabase.h"

#include "db/DataSet.h"
#include "db/Error.h"
#include "db/Firebird.h"

#include <QFile>
#include <QRegularExpression>
#include <ibase.h>
#include <stdexcept>

namespace testsupport {

const char* const kTestParams = "user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1250";

QStringList splitSql(const QString& script)
{
    // "SET TERM x" is an isql command that ends with the terminator in force and makes "x"
    // the new one; it is taken here, never sent.
    static const QRegularExpression setTerm(QStringLiteral(R"(^SET\s+TERM\s+(\S+)$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList statements;
    QString terminator = QStringLiteral(";");
    QString current;
    auto endStatement = [&] {
        const QString statement = current.trimmed();
        current.clear();
        if (statement.isEmpty())
            return;
        const QRegularExpressionMatch match = setTerm.match(statement);
        if (match.hasMatch())
            terminator = match.captured(1);
        else
            statements << statement;
    };
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype end = script.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? script.size() : end + 1;
            current += script.mid(i, stop - i);
            i = stop - 1;
        } else if (c == u'-' && script.mid(i, 2) == QLatin1String("--")) {
            const qsizetype end = script.indexOf(u'\n', i);
            i = (end < 0 ? script.size() : end) - 1;
        } else if (c == u'/' && script.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = script.indexOf(QLatin1String("*/"), i);
            i = (end < 0 ? script.size() : end + 2) - 1;
        } else if (QStringView(script).mid(i, terminator.size()) == terminator) {
            endStatement();
            i += terminator.size() - 1;
        } else {
            current += c;
        }
    }
    endStatement();
    return statements;
}

QStringList textsReadableIn(const QString& path, const QStringList& texts)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("unreadable: ") + path};
    const QByteArray bytes = file.readAll();
    QStringList found;
    for (const QString& text : texts) {
        const QByteArray marker = text.toLatin1();
        bool held = bytes.contains(marker);
        for (int split = 1; !held && split < marker.size(); ++split) {
            const QByteArray head = marker.left(split);
            const QByteArray tail = marker.mid(split);
            for (qsizetype at = bytes.indexOf(head); !held && at >= 0;
                 at = bytes.indexOf(head, at + 1))
                held = bytes.mid(at + split + 1, tail.size()) == tail;
        }
        if (held)
            found << text;
    }
    return found;
}

QString readProjectFile(const QString& relativePath)
{
    QFile file(QStringLiteral(HALVANE_SOURCE_DIR "/") + relativePath);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + file.fileName().toStdString());
    return QString::fromUtf8(file.readAll());
}

namespace {

void createEmptyDatabase(const QString& path)
{
    db::fb::Status st;
    db::fb::Builder dpb(Firebird::IXpbBuilder::DPB, st);
    dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
    dpb->insertString(&st, isc_dpb_set_db_charset, "WIN1250");
    dpb->insertInt(&st, isc_dpb_sql_dialect, 3);
    dpb->insertInt(&st, isc_dpb_force_write, 0);  // test files need no fsync
    st.check();
    const unsigned length = dpb->getBufferLength(&st);
    const unsigned char* buffer = dpb->getBuffer(&st);
    st.check();
    db::fb::Ref<Firebird::IProvider> provider(db::fb::master()->getDispatcher());
    db::fb::Ref<Firebird::IAttachment> created(
        provider->createDatabase(&st, path.toUtf8().constData(), length, buffer));
    st.check();
    created->detach(&st);
    st.check();
    created.forget();
}

}  // namespace

TestDatabase::TestDatabase(bool demo)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    path_ = dir_.filePath(QStringLiteral("TEST.FDB"));
    createEmptyDatabase(path_);
    db_ = connect();
    run(splitSql(readProjectFile(QStringLiteral("schema/schema.sql"))));
    if (demo)
        run(splitSql(readProjectFile(QStringLiteral("schema/demo.sql"))));
}

TestDatabase::~TestDatabase()
{
    db_.reset();
}

std::unique_ptr<db::Database> TestDatabase::connect() const
{
    auto database = std::make_unique<db::Database>();
    database->setDatabaseName(path_);
    database->setParamsText(QString::fromLatin1(kTestParams));
    database->open();
    return database;
}

void TestDatabase::run(const QStringList& statements)
{
    for (const QString& sql : statements) {
        db_->execute(sql);
        db_->transaction().commitRetaining();
    }
}

QVariant TestDatabase::scalar(const QString& sql)
{
    auto other = connect();
    db::DataSet query(*other);
    query.setSelectSql(sql);
    query.open();
    return query.isEmpty() ? QVariant() : query.value(0, 0);
}

bool holdInIsql(QProcess& isql, const QString& path)
{
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start(QStringLiteral("isql-fb"),
               {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"), path});
    if (!isql.waitForStarted())
        return false;
    isql.write("select 'otwarta' from rdb$database;\n");
    QByteArray said;
    while (!said.contains("otwarta") && isql.waitForReadyRead(20000))
        said += isql.readAll();
    return said.contains("otwarta");
}

}  // namespace testsupport
