#include "desk/InformationClause.h"

#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Desk.h"
#include "desk/RetentionTime.h"

#include <ibase.h>

namespace desk {

const QString ClauseOnPassKey = QStringLiteral("KlauzulaNaPrzepustce");

namespace {

constexpr auto SelectClause = R"(select KLUCZ, WARTOSC
from USTAWIENIA
where KLUCZ starting with 'KLAUZULA_')";
// The stored state moves on only from the state the texts were read from.
constexpr auto MoveRevision = R"(update USTAWIENIA
set WARTOSC = :nowa
where KLUCZ = 'KLAUZULA_WERSJA' and WARTOSC = :stara)";
constexpr auto FirstRevision = R"(insert into USTAWIENIA (KLUCZ, WARTOSC)
values ('KLAUZULA_WERSJA', :nowa))";
constexpr auto StoreText = R"(update or insert into USTAWIENIA (KLUCZ, WARTOSC)
values (:klucz, :wartosc)
matching (KLUCZ))";

const QString RevisionKey = QStringLiteral("KLAUZULA_WERSJA");
constexpr int TextWidth = 4000;  // USTAWIENIA.WARTOSC

const QString StaleMessage = QStringLiteral(
    "Klauzulę informacyjną zapisano w międzyczasie na innym stanowisku; tych zmian nie "
    "zapisano, aby nie zastąpić tamtego tekstu. Wpisane teksty pozostają w oknie: skopiuj je, "
    "zamknij okno i otwórz je ponownie, aby zobaczyć tekst zapisany na tamtym stanowisku.");

const QString MissingTableMessage = QStringLiteral(
    "Ta baza danych nie ma jeszcze miejsca na klauzulę informacyjną (tabeli USTAWIENIA); "
    "zaktualizuj ją: Dodatki > Aktualizacja bazy danych. Nic nie zapisano.");

// Each stored part: its key, and where it lives in the clause.
struct Part {
    const char* key;
    QString InformationClause::*text;
    const char* caption;  // for a text too long
};
const Part Parts[] = {
    {"KLAUZULA_ADMINISTRATOR", &InformationClause::controller, "Administrator danych"},
    {"KLAUZULA_KONTAKT", &InformationClause::contact, "Kontakt z administratorem"},
    {"KLAUZULA_IOD", &InformationClause::officer, "Inspektor ochrony danych"},
    {"KLAUZULA_CELE", &InformationClause::purposes, "Cele przetwarzania"},
    {"KLAUZULA_PODSTAWA", &InformationClause::legalBasis, "Podstawa prawna"},
    {"KLAUZULA_ODBIORCY", &InformationClause::recipients, "Odbiorcy danych"},
    {"KLAUZULA_PRAWA", &InformationClause::rights, "Prawa gościa"},
    {"KLAUZULA_ZRODLO", &InformationClause::source, "Źródło danych"},
};

const QString Complaint = QStringLiteral(
    "Ma Pani/Pan prawo wniesienia skargi do Prezesa Urzędu Ochrony Danych Osobowych "
    "(ul. Stawki 2, 00-193 Warszawa), jeśli uzna Pani/Pan, że przetwarzanie danych narusza "
    "przepisy RODO.");

// A text of several lines (a name over an address) as one line of a sentence.
QString oneLine(const QString& text)
{
    QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.simplified();
    lines.removeAll(QString());
    return lines.join(QStringLiteral(", "));
}

QString retentionText(int months)
{
    return QStringLiteral(
               "Dane przechowujemy przez %1 od Pani/Pana ostatniej wizyty, "
               "a następnie je usuwamy.")
        .arg(monthsText(months));
}

void raiseIfTooLong(const InformationClause& clause)
{
    for (const Part& part : Parts)
        if ((clause.*part.text).size() > TextWidth)
            throw db::Error(QStringLiteral("Tekst \"%1\" ma %2 znaków; mieści się najwyżej %3.")
                                .arg(QString::fromUtf8(part.caption))
                                .arg((clause.*part.text).size())
                                .arg(TextWidth));
}

QVariant storedText(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? QVariant() : QVariant(trimmed);
}

void storeParts(db::Database& database, InformationClause& clause)
{
    raiseIfTooLong(clause);
    const QString next = QString::number(clause.revision.toLongLong() + 1);
    const auto revisionParams = [&](const QString& name) -> QVariant {
        return name == QLatin1String("nowa") ? next : clause.revision;
    };
    if (clause.revision.isEmpty()) {
        db::Statement insert(database, QString::fromUtf8(FirstRevision));
        try {
            insert.execute(revisionParams);
        } catch (const db::Error& error) {
            // Another desk stored the first clause since this one was read.
            if (error.has(isc_unique_key_violation) || error.has(isc_no_dup))
                throw db::Error(StaleMessage, error.codes());
            throw;
        }
    } else {
        db::Statement update(database, QString::fromUtf8(MoveRevision));
        update.execute(revisionParams);
        if (update.affectedRows() == 0)
            throw db::Error(StaleMessage);
    }
    db::Statement store(database, QString::fromUtf8(StoreText));
    for (const Part& part : Parts) {
        const QVariant text = storedText(clause.*part.text);
        store.execute([&](const QString& name) -> QVariant {
            return name == QLatin1String("klucz") ? QVariant(QString::fromLatin1(part.key)) : text;
        });
    }
    clause.revision = next;
}

}  // namespace

InformationClause InformationClause::defaults()
{
    InformationClause clause;
    clause.purposes = QStringLiteral(
        "Zapewnienie bezpieczeństwa osób i mienia w budynku: rejestracja wejść i wyjść gości, "
        "wydawanie przepustek i identyfikatorów, powiadamianie odwiedzanych pracowników o "
        "przybyciu gościa i przekazywanie wiadomości.");
    clause.legalBasis = QStringLiteral(
        "art. 6 ust. 1 lit. f RODO: prawnie uzasadniony interes administratora, jakim jest "
        "zapewnienie bezpieczeństwa osób i mienia w budynku.");
    clause.recipients = QStringLiteral(
        "Pracownicy recepcji i ochrony budynku, odwiedzani pracownicy firm mających siedzibę w "
        "budynku oraz podmioty obsługujące system recepcji na podstawie umowy powierzenia "
        "przetwarzania danych. Dane mogą być udostępnione organom uprawnionym na podstawie "
        "przepisów prawa.");
    clause.rights = QStringLiteral(
        "Ma Pani/Pan prawo dostępu do swoich danych, ich sprostowania, usunięcia, ograniczenia "
        "przetwarzania oraz prawo wniesienia sprzeciwu wobec przetwarzania (art. 15-18 i 21 "
        "RODO).");
    clause.source = QStringLiteral(
        "Dane pochodzą od Pani/Pana: podaje je Pani/Pan w recepcji przy wejściu do budynku.");
    clause.retentionMonths = DefaultRetentionMonths;
    return clause;
}

bool InformationClause::complete() const
{
    return !controller.trimmed().isEmpty() && !contact.trimmed().isEmpty();
}

QString InformationClause::title() const
{
    return QStringLiteral("Klauzula informacyjna dla gości budynku");
}

QStringList InformationClause::paragraphs() const
{
    QStringList paragraphs{QStringLiteral(
        "Zgodnie z art. 13 ust. 1 i 2 rozporządzenia Parlamentu Europejskiego i Rady (UE) "
        "2016/679 z dnia 27 kwietnia 2016 r. (RODO) informujemy:")};
    const auto add = [&](const char* caption, const QString& text) {
        if (!text.trimmed().isEmpty())
            paragraphs << QString::fromUtf8(caption) + QStringLiteral(": ") + text.trimmed();
    };
    add("Administrator Pani/Pana danych osobowych", oneLine(controller));
    add("Kontakt z administratorem", contact);
    add("Kontakt z inspektorem ochrony danych", officer);
    add("Cele przetwarzania", purposes);
    add("Podstawa prawna przetwarzania", legalBasis);
    add("Odbiorcy danych", recipients);
    add("Okres przechowywania danych", retentionText(retentionMonths));
    add("Źródło danych", source);
    add("Pani/Pana prawa", rights);
    paragraphs << Complaint
               << QStringLiteral(
                      "Podanie danych jest dobrowolne, ale niezbędne do wydania "
                      "przepustki. Dane nie służą do zautomatyzowanego podejmowania "
                      "decyzji, w tym profilowania.");
    return paragraphs;
}

QString InformationClause::shortForm() const
{
    return QStringLiteral(
               "Administrator Pani/Pana danych osobowych: %1 (kontakt: %2). Dane przetwarzamy "
               "dla bezpieczeństwa osób i mienia w budynku (art. 6 ust. 1 lit. f RODO) i "
               "przechowujemy przez %3 od ostatniej wizyty. Ma Pani/Pan prawo dostępu do "
               "danych, ich sprostowania, usunięcia, ograniczenia przetwarzania, sprzeciwu oraz "
               "skargi do Prezesa UODO. Pełna klauzula informacyjna: w recepcji i na tablicy "
               "ogłoszeń.")
        .arg(oneLine(controller), oneLine(contact), monthsText(retentionMonths));
}

std::vector<std::pair<QString, QString>> InformationClause::accessPart() const
{
    return {{QStringLiteral("Cele przetwarzania"), purposes.trimmed()},
            {QStringLiteral("Odbiorcy danych"), recipients.trimmed()},
            {QStringLiteral("Okres przechowywania"), retentionText(retentionMonths)},
            {QStringLiteral("Źródło danych"), source.trimmed()},
            {QStringLiteral("Prawa"), rights.trimmed() + u' ' + Complaint}};
}

InformationClause readInformationClause(Desk& desk)
{
    InformationClause clause = InformationClause::defaults();
    clause.retentionMonths =
        retentionMonths(desk.settingsValue(PersonalDataSection, RetentionMonthsKey));
    std::vector<db::Values> rows;
    try {
        db::Statement select(desk.database(), QString::fromUtf8(SelectClause));
        select.execute([](const QString&) { return QVariant(); }, &rows);
    } catch (const db::Error& error) {
        // A database from before the shared texts: guests are still told the ready wordings.
        if (!error.has(isc_dsql_relation_err))
            throw;
    }
    for (const db::Values& row : rows) {
        const QString key = row[0].toString().trimmed();
        if (key == RevisionKey)
            clause.revision = row[1].toString();
        for (const Part& part : Parts)
            if (key == QLatin1String(part.key))
                clause.*part.text = row[1].toString();
    }
    return clause;
}

void storeInformationClause(db::Database& database, InformationClause& clause)
{
    try {
        storeParts(database, clause);
    } catch (const db::Error& error) {
        if (error.has(isc_dsql_relation_err))
            throw db::Error(MissingTableMessage, error.codes());
        throw;
    }
}

QString passBackText(Desk& desk)
{
    if (desk.settingsValue(PersonalDataSection, ClauseOnPassKey).trimmed() != QLatin1String("1"))
        return {};
    const InformationClause clause = readInformationClause(desk);
    return clause.complete() ? clause.shortForm() : QString();
}

}  // namespace desk
