#include "admin/DatabaseUpgrade.h"

#include "controls/PrivateFiles.h"
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/Error.h"

#include <QHash>
#include <QSet>
#include <ibase.h>
#include <memory>

namespace admin {

namespace {

using Kind = SchemaAddition::Kind;

// The database's own objects only: the engine's are many and never among those looked for.
// The database's own generators (G), tables (R), triggers (T) and indexes (I, one row for
// each column in order; an inactive one serves nothing but holds its name), in one reading:
// a desk far from the server looks at them at every start.
constexpr auto SelectSchemaObjects = R"(select 'G' as RODZAJ, trim(RDB$GENERATOR_NAME) as NAZWA,
  cast(null as varchar(63)) as TABELA, 0 as STAN, cast(null as varchar(63)) as KOLUMNA,
  0 as POZYCJA
from RDB$GENERATORS where coalesce(RDB$SYSTEM_FLAG, 0) = 0
union all
select 'R', trim(RDB$RELATION_NAME), null, 0, null, 0
from RDB$RELATIONS where coalesce(RDB$SYSTEM_FLAG, 0) = 0
union all
select 'T', trim(RDB$TRIGGER_NAME), null, 0, null, 0
from RDB$TRIGGERS where coalesce(RDB$SYSTEM_FLAG, 0) = 0
union all
select 'I', trim(I.RDB$INDEX_NAME), trim(I.RDB$RELATION_NAME),
  coalesce(I.RDB$INDEX_INACTIVE, 0) + coalesce(I.RDB$INDEX_TYPE, 0),
  trim(S.RDB$FIELD_NAME), S.RDB$FIELD_POSITION
from RDB$INDICES I
left join RDB$INDEX_SEGMENTS S on S.RDB$INDEX_NAME = I.RDB$INDEX_NAME
where coalesce(I.RDB$SYSTEM_FLAG, 0) = 0
order by 1, 2, 6)";

constexpr auto CreateErasures = R"(CREATE TABLE USUNIECIA (
  ID              INTEGER NOT NULL,
  DTUSUNIECIA     TIMESTAMP NOT NULL,
  GOSC_ID         INTEGER,
  GRANICA         DATE,
  DTOCZYSZCZENIA  TIMESTAMP,
  CONSTRAINT PK_USUNIECIA PRIMARY KEY (ID)
))";
constexpr auto CreateSharedTexts = R"(CREATE TABLE USTAWIENIA (
  KLUCZ    VARCHAR(64) NOT NULL,
  WARTOSC  VARCHAR(4000),
  CONSTRAINT PK_USTAWIENIA PRIMARY KEY (KLUCZ)
))";
constexpr auto CreateGuestVisitsIndex =
    R"(CREATE INDEX IX_WIZYTY_GOSC_DTPRZYBYCIA ON WIZYTY (GOSC_ID, DTPRZYBYCIA))";
constexpr auto CreateOpenVisitsIndex = R"(CREATE INDEX IX_WIZYTY_DTWYJSCIA ON WIZYTY (DTWYJSCIA))";
constexpr auto CreateErasuresGenerator = R"(CREATE GENERATOR GEN_USUNIECIA_ID)";
constexpr auto CreateOutbox = R"(CREATE TABLE POCZTA (
  ID               INTEGER NOT NULL,
  DTUTWORZENIA     TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
  RODZAJ           SMALLINT NOT NULL,
  WIZYTA_ID        INTEGER,
  ADRESAT          VARCHAR(254) NOT NULL,
  TEMAT            VARCHAR(500) NOT NULL,
  TRESC            BLOB SUB_TYPE TEXT,
  ZALACZNIK_NAZWA  VARCHAR(100),
  ZALACZNIK        BLOB SUB_TYPE BINARY,
  STAN             SMALLINT DEFAULT 0 NOT NULL,
  PROBY            INTEGER DEFAULT 0 NOT NULL,
  DTNASTEPNEJ      TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
  WYSYLA           VARCHAR(100),
  DTPOBRANIA       TIMESTAMP,
  ODPOWIEDZ        VARCHAR(1000),
  CONSTRAINT PK_POCZTA PRIMARY KEY (ID)
))";
constexpr auto CreateOutboxIndex = R"(CREATE INDEX IX_POCZTA_DTNASTEPNEJ ON POCZTA (DTNASTEPNEJ))";
constexpr auto CreateOutboxGenerator = R"(CREATE GENERATOR GEN_POCZTA_ID)";
constexpr auto CreateInvitations = R"(CREATE TABLE ZAPROSZENIA (
  WIZYTA_ID     INTEGER NOT NULL,
  KOD           VARCHAR(8) NOT NULL,
  DTUTWORZENIA  TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
  CONSTRAINT PK_ZAPROSZENIA PRIMARY KEY (WIZYTA_ID),
  CONSTRAINT UQ_ZAPROSZENIA_KOD UNIQUE (KOD)
))";
constexpr auto CreateWatchlist = R"(CREATE TABLE ZAKAZY_WSTEPU (
  GOSC_ID  INTEGER NOT NULL,
  POWOD    VARCHAR(500) NOT NULL,
  DZIEN    DATE NOT NULL,
  CONSTRAINT PK_ZAKAZY_WSTEPU PRIMARY KEY (GOSC_ID)
))";
// The change-event trigger of one table (%1).
constexpr auto CreateChangeTrigger = R"(CREATE TRIGGER TR_%1_ZMIANY FOR %1
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 0
AS
BEGIN
  POST_EVENT '%1';
END)";

// A mark "Zakaz wstępu" set or taken away is posted as a change of the guests.
constexpr auto CreateWatchlistTrigger = R"(CREATE TRIGGER TR_ZAKAZY_WSTEPU_ZMIANY FOR ZAKAZY_WSTEPU
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 0
AS
BEGIN
  POST_EVENT 'GOSCIE';
END)";

const QString ChangesSeenLate =
    QStringLiteral("zmiany z innych stanowisk widoczne dopiero po 30 s");
const QString ErasuresNotRecorded = QStringLiteral(
    "usunięcia danych osobowych nie są zapisywane i nie przetrwają odtworzenia kopii");
const QString MailNotSent = QStringLiteral("Poczta: wiadomości nie są wysyłane");

std::vector<SchemaAddition> makeAdditions()
{
    const auto text = [](const char* sql) { return QString::fromUtf8(sql); };
    std::vector<SchemaAddition> all{
        {Kind::Table, "USUNIECIA", {}, {}, ErasuresNotRecorded, text(CreateErasures)},
        {Kind::Table,
         "USTAWIENIA",
         {},
         {},
         QStringLiteral("klauzula informacyjna i czas oczyszczenia bazy nie mogą być zapisane"),
         text(CreateSharedTexts)},
        {Kind::Index,
         "IX_WIZYTY_GOSC_DTPRZYBYCIA",
         "WIZYTY",
         {"GOSC_ID", "DTPRZYBYCIA"},
         QStringLiteral("usuwanie danych osobowych i dane gościa na żądanie trwają bardzo długo"),
         text(CreateGuestVisitsIndex)},
        {Kind::Index,
         "IX_WIZYTY_DTWYJSCIA",
         "WIZYTY",
         {"DTWYJSCIA"},
         QStringLiteral("przegląd recepcji długo szuka gości, którzy nie wyszli"),
         text(CreateOpenVisitsIndex)},
        {Kind::Generator,
         "GEN_USUNIECIA_ID",
         {},
         {},
         ErasuresNotRecorded,
         text(CreateErasuresGenerator)},
        // The table before its index.
        {Kind::Table, "POCZTA", {}, {}, MailNotSent, text(CreateOutbox)},
        {Kind::Index,
         "IX_POCZTA_DTNASTEPNEJ",
         "POCZTA",
         {"DTNASTEPNEJ"},
         MailNotSent,
         text(CreateOutboxIndex)},
        {Kind::Generator, "GEN_POCZTA_ID", {}, {}, MailNotSent, text(CreateOutboxGenerator)},
        {Kind::Table,
         "ZAPROSZENIA",
         {},
         {},
         QStringLiteral("zaproszenia z kodem nie mogą być wysyłane"),
         text(CreateInvitations)},
        {Kind::Table,
         "ZAKAZY_WSTEPU",
         {},
         {},
         QStringLiteral("nie można oznaczyć gościa zakazem wstępu"),
         text(CreateWatchlist)},
    };
    for (const char* table : {"FIRMY", "DZIALY", "PERSONEL", "GOSCIE", "WIZYTY"})
        all.push_back({Kind::Trigger,
                       QStringLiteral("TR_%1_ZMIANY").arg(table),
                       table,
                       {},
                       ChangesSeenLate,
                       text(CreateChangeTrigger).arg(table)});
    // After its table.
    all.push_back({Kind::Trigger,
                   "TR_ZAKAZY_WSTEPU_ZMIANY",
                   "ZAKAZY_WSTEPU",
                   {},
                   QStringLiteral("zakaz wstępu zmieniony na innym stanowisku widoczny dopiero "
                                  "po ponownym odczytaniu list"),
                   text(CreateWatchlistTrigger)});
    return all;
}

struct IndexColumns {
    QString table;
    bool serves = true;  // active and ascending
    QStringList columns;
};

struct SchemaObjects {
    QSet<QString> generators, tables, triggers;
    QHash<QString, IndexColumns> indexes;
};

SchemaObjects schemaObjects(db::Database& database)
{
    db::DataSet query(database);
    query.setSelectSql(QString::fromUtf8(SelectSchemaObjects));
    query.open();
    SchemaObjects objects;
    for (int row = 0; row < query.recordCount(); ++row) {
        const QString kind = query.value(row, 0).toString();
        const QString name = query.value(row, 1).toString();
        if (kind == QLatin1String("G")) {
            objects.generators.insert(name);
        } else if (kind == QLatin1String("R")) {
            objects.tables.insert(name);
        } else if (kind == QLatin1String("T")) {
            objects.triggers.insert(name);
        } else {
            IndexColumns& index = objects.indexes[name];
            index.table = query.value(row, 2).toString();
            index.serves = query.value(row, 3).toInt() == 0;
            if (!query.value(row, 4).isNull())
                index.columns << query.value(row, 4).toString();
        }
    }
    return objects;
}

bool hasIndex(const QHash<QString, IndexColumns>& indexes, const SchemaAddition& wanted)
{
    if (indexes.contains(wanted.name))
        return true;  // left alone, whatever it holds
    for (const IndexColumns& index : indexes)
        if (index.serves && index.table == wanted.table &&
            index.columns.mid(0, wanted.columns.size()) == wanted.columns)
            return true;
    return false;
}

QString kindName(Kind kind)
{
    switch (kind) {
        case Kind::Trigger:
            return QStringLiteral("wyzwalacz");
        case Kind::Index:
            return QStringLiteral("indeks");
        case Kind::Table:
            return QStringLiteral("tabela");
        case Kind::Generator:
            return QStringLiteral("generator");
    }
    return {};
}

std::unique_ptr<db::Database> connect(const UpgradeJob& job)
{
    auto database = std::make_unique<db::Database>();
    database->setDatabaseName(job.databaseName);
    database->setParams(job.params);
    database->open();
    return database;
}

// A backup holds every guest's data: only its owner may read it, where this computer
// holds it.
void keepPrivate(const ServiceJob& backup)
{
    if (BackupService::onThisComputer(backup))
        controls::makePrivate(backup.backupFile);
}

}  // namespace

const std::vector<SchemaAddition>& DatabaseUpgrade::additions()
{
    static const std::vector<SchemaAddition> all = makeAdditions();
    return all;
}

std::vector<SchemaAddition> DatabaseUpgrade::missing(db::Database& database)
{
    const db::Database::ListReading reading(database);
    const SchemaObjects objects = schemaObjects(database);
    std::vector<SchemaAddition> lacking;
    for (const SchemaAddition& addition : additions()) {
        bool present = false;
        switch (addition.kind) {
            case Kind::Trigger:
                present = objects.triggers.contains(addition.name);
                break;
            case Kind::Index:
                present = hasIndex(objects.indexes, addition);
                break;
            case Kind::Table:
                present = objects.tables.contains(addition.name);
                break;
            case Kind::Generator:
                present = objects.generators.contains(addition.name);
                break;
        }
        if (!present)
            lacking.push_back(addition);
    }
    return lacking;
}

QString DatabaseUpgrade::describe(const std::vector<SchemaAddition>& missing)
{
    QStringList features;
    QHash<QString, QStringList> names;
    for (const SchemaAddition& addition : missing) {
        if (!names.contains(addition.feature))
            features << addition.feature;
        names[addition.feature] << addition.name;
    }
    QStringList lines;
    for (const QString& feature : features)
        lines << QStringLiteral("- %1 (brak: %2)").arg(feature, names[feature].join(u", "));
    return lines.join(u'\n');
}

QString DatabaseUpgrade::backupFileName(const QDateTime& now)
{
    return QStringLiteral("MR_Kopia_") + now.toString(QStringLiteral("yyyy-MM-dd_HHmmss")) +
           QStringLiteral("_przed_aktualizacja.FBK");
}

int DatabaseUpgrade::upgrade(const UpgradeJob& job, const LineSink& log)
{
    std::vector<SchemaAddition> lacking = missing(*connect(job));
    if (lacking.empty()) {
        log(
            QStringLiteral("Baza danych ma wszystko, czego potrzebuje program: nie ma nic do "
                           "zrobienia."));
        return 0;
    }
    log(QStringLiteral("Kopia bazy danych przed aktualizacją: ") + job.backup.backupFile);
    try {
        BackupService::backUp(job.backup, [](const QString&) {});
    } catch (const db::Error& error) {
        throw db::Error(QStringLiteral("Nie udało się wykonać kopii bazy danych; baza danych "
                                       "nie została zmieniona.\n") +
                            error.message(),
                        error.codes());
    }
    keepPrivate(job.backup);
    log(QStringLiteral("Kopia wykonana."));

    const auto database = connect(job);
    lacking = missing(*database);  // another desk may have added some meanwhile
    try {
        for (const SchemaAddition& addition : lacking) {
            log(QStringLiteral("Dodawanie: %1 %2").arg(kindName(addition.kind), addition.name));
            database->execute(addition.statement);
        }
        database->transaction().commit();
    } catch (const db::Error& error) {
        database->transaction().rollback();
        // A table that another desk's unfinished work holds cannot be given a trigger or
        // an index.
        const QString inUse =
            error.has(isc_obj_in_use)
                ? QStringLiteral(
                      "Inne stanowisko ma niezakończoną pracę w tej bazie danych: "
                      "niech zatwierdzi lub wycofa zmiany albo zamknie program, "
                      "i spróbuj ponownie.\n")
                : QString();
        throw db::Error(QStringLiteral("Aktualizacja nie powiodła się i została wycofana w "
                                       "całości: baza danych jest taka jak przed nią.\n") +
                            inUse + error.message(),
                        error.codes());
    }
    log(QStringLiteral("Zatwierdzono: dodane obiekty: %1. Baza danych ma teraz wszystko, czego "
                       "potrzebuje program.")
            .arg(lacking.size()));
    return int(lacking.size());
}

}  // namespace admin
