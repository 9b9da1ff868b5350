#pragma once
// The one connection of the program and its one transaction.
#include "db/Firebird.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <map>
#include <set>
#include <memory>
#include <vector>

namespace db {

class ChangeEvents;
class Database;
class DataSet;
class Statement;

// Read committed, record versions, no wait, read-write (or read-only, for reading lists);
// starts with the first statement after connecting and lives until the connection closes.
class Transaction {
public:
    enum class Access { ReadWrite, ReadOnly };
    explicit Transaction(Database& database, Access access = Access::ReadWrite)
        : database_(database), access_(access)
    {}
    ~Transaction();

    bool active() const { return static_cast<bool>(handle_); }
    // The running transaction, started on first use.
    Firebird::ITransaction* handle();
    // End a unit of work; the transaction and every open data set stay.
    // With nothing started there is nothing to end.
    void commitRetaining();
    void rollbackRetaining();
    // End a unit of work and the transaction with it; the next statement starts a new one.
    // A transaction kept all day by commit retaining keeps the oldest snapshot where it
    // began, and the server can then collect no record version written since. The data
    // sets stay as they are: they hold every row they fetched and keep no cursor open.
    // A commit the server refuses leaves the transaction running, to be rolled back.
    void commit();
    // Rolls back and ends the transaction; used when the connection closes.
    void rollback();

private:
    Database& database_;
    Access access_;
    fb::Ref<Firebird::ITransaction> handle_;
};

class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // "path" through the embedded engine, "host:path" through a server.
    void setDatabaseName(const QString& name) { name_ = name; }
    const QString& databaseName() const { return name_; }
    // Lines name=value: user_name, password, lc_ctype (sql_role_name also taken).
    void setParams(const QStringList& lines) { params_ = lines; }
    void setParamsText(const QString& text);
    const QStringList& params() const { return params_; }
    // The value of one parameter line, empty when absent.
    QString param(const QString& name) const;

    // A file open in another program is refused with inUseMessage() before the engine's text.
    void open();
    static QString inUseMessage();
    // Stops every listener of the connection's events, rolls back what was not committed,
    // closes every data set and detaches; never throws.
    void close();
    bool connected() const { return static_cast<bool>(attachment_); }

    Transaction& transaction() { return transaction_; }

    // Lists read while one lives (nested ones count as one) are read in a read-only
    // transaction of their own, ended when the outermost goes: a desk that only looks holds
    // no transaction between its readings, and what a window holds uncommitted in the shared
    // transaction stays there. Only selects may run while one lives.
    class ListReading {
    public:
        explicit ListReading(Database& database);
        ~ListReading();
        ListReading(const ListReading&) = delete;
        ListReading& operator=(const ListReading&) = delete;

    private:
        Database& database_;
    };
    // The transaction a statement runs in now: the shared one, or the list reading's.
    Transaction& statementTransaction()
    {
        return listReadings_ > 0 ? readingTransaction_ : transaction_;
    }

    // Runs one statement without parameters or result in the shared transaction.
    void execute(const QString& sql);
    // The statement prepared on this connection once and kept until it closes, for what a
    // desk runs over and over (a scanned code's look-up): each run is then one exchange with
    // the server, not two. A statement that cannot be prepared is not kept.
    Statement& prepared(const QString& sql);
    // Whether the database has the table: one made by an older program lacks the later ones
    // until it is upgraded. A table found is remembered until the connection closes (tables
    // are only ever added, by the upgrade, which another desk may run meanwhile: a table
    // not found is looked for again).
    bool hasTable(const QString& name);

    // Used by the data layer.
    Firebird::IAttachment* attachment();
    QString decode(QByteArrayView bytes) const;
    // The text in the connection's character set. A character the set cannot hold throws
    // Error naming the character and `where` ("w polu NAZWISKO"); nothing is sent.
    QByteArray encode(const QString& text,
                      const QString& where = QStringLiteral("w poleceniu SQL")) const;
    // The first character (a whole code point) of the text that the connection's
    // character set cannot hold; empty when every one fits.
    QString unencodable(const QString& text) const;
    // The message of encode() for a character that does not fit.
    QString unencodableMessage(const QString& character, const QString& where) const;
    // The connection's character set as Firebird names it (WIN1250 by default).
    const QString& charset() const { return charset_; }
    fb::Decoder decoder() const;
    void add(DataSet* set) { dataSets_.push_back(set); }
    void remove(DataSet* set);
    // The listeners of the connection's events, stopped before it closes.
    void add(ChangeEvents* events) { changeEvents_.push_back(events); }
    void remove(ChangeEvents* events);

private:
    QByteArray buildDpb(fb::Status& st) const;
    void setCharset(const QString& firebirdName);

    QString name_;
    QStringList params_;
    QString charset_ = QStringLiteral("WIN1250");
    QByteArray codec_ = "windows-1250";
    mutable QStringDecoder decoder_{"windows-1250"};
    // For a single-byte code page, the character of every byte, taken from decoder_ once:
    // decoding a text is then one look-up per byte. Empty for other character sets.
    std::vector<char16_t> byteCharacters_;
    fb::Ref<Firebird::IAttachment> attachment_;
    Transaction transaction_{*this};
    Transaction readingTransaction_{*this, Transaction::Access::ReadOnly};
    int listReadings_ = 0;
    std::vector<DataSet*> dataSets_;
    std::map<QString, std::unique_ptr<Statement>> prepared_;
    std::set<QString> tablesFound_;
    std::vector<ChangeEvents*> changeEvents_;
};

}  // namespace db
