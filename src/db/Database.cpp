#include "db/Database.h"

#include "db/Attach.h"
#include "db/ChangeEvents.h"
#include "db/DataSet.h"
#include "db/Error.h"
#include "db/Statement.h"

#include <firebird/Interface.h>
#include <ibase.h>

#include <algorithm>

namespace db {
namespace {

constexpr auto CountTable = R"(select count(*)
from RDB$RELATIONS
where RDB$RELATION_NAME = :name)";

QByteArray codecName(const QString& firebirdName)
{
    const QString name = firebirdName.toUpper();
    if (name == QLatin1String("UTF8") || name == QLatin1String("UNICODE_FSS"))
        return "UTF-8";
    if (name.startsWith(QLatin1String("WIN125")))
        return "windows-" + name.mid(3).toLatin1();
    if (name.startsWith(QLatin1String("ISO8859_")))
        return "ISO-8859-" + name.mid(8).toLatin1();
    if (name == QLatin1String("NONE"))
        return "windows-1250";  // the stored bytes as they are: this database's are Windows-1250
    return {};
}

// The character of each of the 256 bytes of a single-byte code page, as Qt decodes it;
// empty when the code page is not one (UTF-8, or a byte that is not one character).
std::vector<char16_t> characterOfEveryByte(const QByteArray& codec)
{
    if (codec == "UTF-8")
        return {};
    std::vector<char16_t> table(256);
    for (int byte = 0; byte < 256; ++byte) {
        QStringDecoder decoder(codec.constData());
        const QString character = decoder.decode(QByteArray(1, char(byte)));
        if (character.size() != 1 || decoder.hasError())
            return {};
        table[size_t(byte)] = character.front().unicode();
    }
    return table;
}

}  // namespace

Transaction::~Transaction()
{
    try {
        rollback();
    } catch (const Error&) {
        // the handle is released all the same
    }
}

Firebird::ITransaction* Transaction::handle()
{
    if (handle_)
        return handle_.get();
    fb::Status st(database_.decoder());
    fb::Builder tpb(Firebird::IXpbBuilder::TPB, st);
    const unsigned char access = access_ == Access::ReadOnly ? isc_tpb_read : isc_tpb_write;
    for (const unsigned char tag : {access, static_cast<unsigned char>(isc_tpb_read_committed),
                                    static_cast<unsigned char>(isc_tpb_rec_version),
                                    static_cast<unsigned char>(isc_tpb_nowait)}) {
        tpb->insertTag(&st, tag);
        st.check();
    }
    const unsigned length = tpb->getBufferLength(&st);
    st.check();
    const unsigned char* buffer = tpb->getBuffer(&st);
    st.check();
    Firebird::ITransaction* started = database_.attachment()->startTransaction(&st, length, buffer);
    st.check();
    handle_.reset(started);
    return started;
}

void Transaction::commitRetaining()
{
    if (!handle_)
        return;
    fb::Status st(database_.decoder());
    handle_->commitRetaining(&st);
    st.check();
}

void Transaction::commit()
{
    if (!handle_)
        return;
    fb::Status st(database_.decoder());
    handle_->commit(&st);
    try {
        st.check();
    } catch (const Error& error) {
        if (error.connectionLost())
            handle_.reset();  // nothing left to roll back on a connection that is gone
        throw;
    }
    handle_.forget();
}

void Transaction::rollbackRetaining()
{
    if (!handle_)
        return;
    fb::Status st(database_.decoder());
    handle_->rollbackRetaining(&st);
    st.check();
}

void Transaction::rollback()
{
    if (!handle_)
        return;
    fb::Status st(database_.decoder());
    handle_->rollback(&st);
    if (st.failed()) {
        handle_.reset();  // the handle is let go even when the server refused
        st.check();
    }
    handle_.forget();
}

Database::Database() : byteCharacters_(characterOfEveryByte(codec_)) {}

Database::~Database()
{
    close();
}

Database::ListReading::ListReading(Database& database) : database_(database)
{
    ++database_.listReadings_;
}

Database::ListReading::~ListReading()
{
    if (--database_.listReadings_ > 0)
        return;
    try {
        database_.readingTransaction_.commit();
    } catch (const Error&) {
        try {
            database_.readingTransaction_.rollback();
        } catch (const Error&) {
            // the handle is let go; a lost connection is found by what the desk does next
        }
    }
}

void Database::setParamsText(const QString& text)
{
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    params_ = unified.split(u'\n', Qt::SkipEmptyParts);
}

QString Database::param(const QString& name) const
{
    for (const QString& line : params_) {
        const qsizetype eq = line.indexOf(u'=');
        const QString key = (eq < 0 ? line : line.left(eq)).trimmed();
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return eq < 0 ? QString() : line.mid(eq + 1);
    }
    return {};
}

void Database::setCharset(const QString& firebirdName)
{
    const QString charset =
        firebirdName.isEmpty() ? QStringLiteral("NONE") : firebirdName.toUpper();
    const QByteArray codec = codecName(charset);
    QStringDecoder decoder(codec.constData());
    QStringEncoder encoder(codec.constData());
    if (codec.isEmpty() || !decoder.isValid() || !encoder.isValid())
        throw Error(QStringLiteral("Nieobsługiwany zestaw znaków połączenia (lc_ctype): '%1'")
                        .arg(firebirdName));
    charset_ = charset;
    decoder_ = std::move(decoder);
    codec_ = codec;
    byteCharacters_ = characterOfEveryByte(codec);
}

QByteArray Database::buildDpb(fb::Status& st) const
{
    fb::Builder dpb(Firebird::IXpbBuilder::DPB, st);
    dpb->insertTag(&st, isc_dpb_utf8_filename);  // the file name and the texts below are UTF-8
    st.check();
    dpb->insertInt(&st, isc_dpb_sql_dialect, 3);
    st.check();
    dpb->insertInt(&st, isc_dpb_connect_timeout, fb::AttachTimeout);
    st.check();
    for (const QString& line : params_) {
        const qsizetype eq = line.indexOf(u'=');
        QString key = (eq < 0 ? line : line.left(eq)).trimmed().toLower();
        if (key.startsWith(QLatin1String("isc_dpb_")))
            key = key.mid(8);
        const QByteArray value = (eq < 0 ? QString() : line.mid(eq + 1)).toUtf8();
        unsigned char tag = 0;
        if (key == QLatin1String("user_name"))
            tag = isc_dpb_user_name;
        else if (key == QLatin1String("password"))
            tag = isc_dpb_password;
        else if (key == QLatin1String("lc_ctype"))
            tag = isc_dpb_lc_ctype;
        else if (key == QLatin1String("sql_role_name"))
            tag = isc_dpb_sql_role_name;
        else
            throw Error(QStringLiteral("Nieznany parametr połączenia: '%1'").arg(key));
        dpb->insertString(&st, tag, value.constData());
        st.check();
    }
    const unsigned length = dpb->getBufferLength(&st);
    st.check();
    const unsigned char* buffer = dpb->getBuffer(&st);
    st.check();
    return QByteArray(reinterpret_cast<const char*>(buffer), int(length));
}

void Database::open()
{
    if (connected())
        return;
    setCharset(param(QStringLiteral("lc_ctype")).trimmed());
    // The path and the parameters go as UTF-8, and the server's message quotes them so.
    fb::Status st([](const QByteArray& bytes) { return QString::fromUtf8(bytes); });
    try {
        attachment_.reset(fb::attachDatabase(name_.toUtf8(), buildDpb(st)));
    } catch (const Error& error) {
        if (!error.has(isc_already_opened))
            throw;
        throw Error(inUseMessage() + u'\n' + error.message(), error.codes());
    }
}

// The embedded engine keeps a database file to the one program that opened it: sharing
// a file among programs is what a Firebird server is for, and a file on a network folder
// opened by the engines of several computers at once would be damaged.
QString Database::inUseMessage()
{
    return QStringLiteral(
        "Plik bazy danych jest otwarty przez inny program (drugie stanowisko na tym "
        "komputerze albo serwer Firebird). Bez serwera z jednej bazy może korzystać tylko "
        "jeden program naraz. Aby kilka stanowisk pracowało na jednej bazie, udostępnij ją "
        "przez serwer Firebird: skopiuj plik do folderu baz serwera (w Debianie "
        "/var/lib/firebird/3.0/data/, jako własność użytkownika firebird) i wskaż go w oknie "
        "\"Dodatki > Wybór bazy danych\": Host: 127.0.0.1 (nazwa \"localhost\" oznacza pracę "
        "bez serwera), Katalog: /var/lib/firebird/3.0/data/, Plik: HALVANE.FDB.");
}

void Database::close()
{
    // A request for events is cancelled while its connection is there to cancel it on.
    for (ChangeEvents* events : std::vector<ChangeEvents*>(changeEvents_))
        events->stop();
    for (DataSet* set : std::vector<DataSet*>(dataSets_))
        set->releaseStatements();
    prepared_.clear();
    tablesFound_.clear();
    try {
        readingTransaction_.rollback();
        transaction_.rollback();
    } catch (const Error&) {
        // the connection goes anyway; the server drops what was not committed
    }
    if (attachment_) {
        fb::Status st;
        attachment_->detach(&st);
        if (st.failed())
            attachment_.reset();
        else
            attachment_.forget();
    }
}

Statement& Database::prepared(const QString& sql)
{
    std::unique_ptr<Statement>& kept = prepared_[sql];
    if (!kept) {
        try {
            kept = std::make_unique<Statement>(*this, sql);
        } catch (...) {
            prepared_.erase(sql);
            throw;
        }
    }
    return *kept;
}

bool Database::hasTable(const QString& name)
{
    if (tablesFound_.count(name))
        return true;
    std::vector<Values> rows;
    prepared(QString::fromUtf8(CountTable))
        .execute([&name](const QString&) { return QVariant(name); }, &rows);
    const bool found = !rows.empty() && rows.front().front().toInt() > 0;
    if (found)
        tablesFound_.insert(name);
    return found;
}

void Database::execute(const QString& sql)
{
    fb::Status st(decoder());
    const QByteArray text = encode(sql);
    attachment()->execute(&st, transaction_.handle(), unsigned(text.size()), text.constData(), 3,
                          nullptr, nullptr, nullptr, nullptr);
    st.check();
}

Firebird::IAttachment* Database::attachment()
{
    if (!attachment_)
        throw Error(QStringLiteral("Brak połączenia z bazą danych"), {isc_bad_db_handle});
    return attachment_.get();
}

QString Database::decode(QByteArrayView bytes) const
{
    if (byteCharacters_.empty() || bytes.isEmpty())
        return decoder_.decode(bytes);
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char byte : bytes)
        *out++ = byteCharacters_[static_cast<unsigned char>(byte)];
    return text;
}

QByteArray Database::encode(const QString& text, const QString& where) const
{
    QStringEncoder encoder(codec_.constData());
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        throw Error(unencodableMessage(unencodable(text), where));
    return bytes;
}

QString Database::unencodable(const QString& text) const
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        QStringEncoder encoder(codec_.constData());
        const QByteArray bytes = encoder.encode(character);  // converts only when taken
        Q_UNUSED(bytes);
        if (encoder.hasError())
            return character;
        i += length;
    }
    return {};
}

QString Database::unencodableMessage(const QString& character, const QString& where) const
{
    QString codePage = QString::fromLatin1(codec_);
    codePage[0] = codePage[0].toUpper();
    return QStringLiteral("Znak „%1” %2 nie mieści się w stronie kodowej %3.")
        .arg(character, where, codePage);
}

fb::Decoder Database::decoder() const
{
    return [this](const QByteArray& bytes) { return decode(bytes); };
}

void Database::remove(DataSet* set)
{
    dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), set), dataSets_.end());
}

void Database::remove(ChangeEvents* events)
{
    changeEvents_.erase(std::remove(changeEvents_.begin(), changeEvents_.end(), events),
                        changeEvents_.end());
}

}  // namespace db
