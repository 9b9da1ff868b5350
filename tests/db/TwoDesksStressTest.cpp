// Two desks on one server, each with its own connection and its one transaction: random
// units of work that collide on the same rows. Every collision must be refused at once
// and its unit rolled back, and in the end the database must equal the units reported
// committed, replayed in commit order on a copy of the starting database.
//
// HALVANE_STRESS_STEPS (default 3000) and HALVANE_STRESS_SEED (default 19) set the run.
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "support/ServerDatabase.h"
#include "support/testmain.h"

#include <QDateTime>
#include <QTest>
#include <algorithm>
#include <functional>
#include <ibase.h>
#include <map>
#include <random>

namespace {

constexpr auto SelectIds = R"(select ID from %1 order by ID)";
constexpr auto SelectTree = R"(select ID, POPID from DZIALY where FIRMA_ID = :FIRMA_ID
order by KOLEJ)";
constexpr auto NextId = R"(select gen_id(%1, 1) as ID from RDB$DATABASE)";
constexpr auto UpdateEmployee = R"(update PERSONEL set NAZWISKO = :NAZWISKO,
  STANOWISKO = :STANOWISKO, POKOJ = :POKOJ, INFO = right(coalesce(INFO, '') || :TAG, 900)
where ID = :ID)";
constexpr auto UpdateGuest = R"(update GOSCIE set NAZWA = :NAZWA, DOKUM = :DOKUM,
  INFO = right(coalesce(INFO, '') || :TAG, 900) where ID = :ID)";
constexpr auto UpdateVisit = R"(update WIZYTY set DTWEJSCIA = :DTWEJSCIA,
  IDENTYFIKATOR = :IDENTYFIKATOR, NRKARTY = :NRKARTY,
  WIADOMOSC = right(coalesce(WIADOMOSC, '') || :TAG, 900) where ID = :ID)";
constexpr auto UpdateDepartmentPlace = R"(update DZIALY set POPID = :POPID, KOLEJ = :KOLEJ,
  LOKALIZACJA = right(coalesce(LOKALIZACJA, '') || :TAG, 60) where ID = :ID)";
constexpr auto DeleteCompany = R"(delete from FIRMY where ID = :ID)";
constexpr auto InsertCompany = R"(insert into FIRMY (ID, NAZWA) values (:ID, :NAZWA))";
constexpr auto InsertDepartment = R"(insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA)
values (:ID, :FIRMA_ID, :POPID, :KOLEJ, :NAZWA))";
constexpr auto InsertEmployee = R"(insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE,
  NAZWISKO) values (:ID, :FIRMA_ID, :DZIAL_ID, :IMIE, :NAZWISKO))";
constexpr auto SetSavepoint = "SAVEPOINT ZMIANA_STRUKTURY";
constexpr auto RollBackToSavepoint = "ROLLBACK TO SAVEPOINT ZMIANA_STRUKTURY";
constexpr auto ReleaseSavepoint = "RELEASE SAVEPOINT ZMIANA_STRUKTURY ONLY";

using Params = std::map<QString, QVariant>;

// One write as it reached the server, with the values it was given.
struct Write {
    QString sql;
    Params params;
};

void run(db::Database& database, const QString& sql, const Params& params,
         std::vector<db::Values>* rows = nullptr)
{
    db::Statement statement(database, sql);
    statement.execute([&](const QString& name) { return params.at(name); }, rows);
}

// The kinds of refusal two desks may meet: a row the other desk holds, or a company the
// other desk has deleted under a new department or employee.
bool isCollision(const db::Error& error)
{
    return error.has(isc_lock_conflict) || error.has(isc_update_conflict) ||
           error.has(isc_deadlock) || error.has(isc_foreign_key);
}

int envNumber(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// A desk: its connection, the unit of work it is in, and the steps left in that unit.
class StressDesk {
public:
    StressDesk(const QString& databaseName, char name, std::mt19937& random)
        : database_(testsupport::connectTo(databaseName)), random_(random), name_(name)
    {}

    bool idle() const { return steps_.empty(); }
    // A step runs; false when the server refused it.
    bool step(QStringList& unexpected)
    {
        auto next = std::move(steps_.front());
        steps_.erase(steps_.begin());
        try {
            next();
            return true;
        } catch (const db::Error& error) {
            if (!isCollision(error) || error.message().isEmpty())
                unexpected << error.message();
            abandonStep();
            return false;
        }
    }

    // Chooses the next unit of work; its steps end with a commit or a rollback.
    void beginUnit(std::vector<std::vector<Write>>& committed, int& commits)
    {
        written_.clear();
        insideEditor_ = false;
        const int kind = pick(0, 99);
        if (kind < 25)
            repeat(pick(1, 3), [this] { editEmployee(); });
        else if (kind < 40)
            repeat(pick(1, 2), [this] { editGuest(); });
        else if (kind < 55)
            repeat(pick(1, 2), [this] { editVisit(); });
        else if (kind < 85)
            companiesEditor();
        else if (kind < 92)
            steps_.push_back([this] { deleteCompany(); });
        else
            steps_.push_back([this] { importStaff(); });
        const bool cancel = insideEditor_ && pick(0, 9) == 0;
        steps_.push_back([this, cancel, &committed, &commits] {
            if (cancel) {
                database_->transaction().rollback();
                return;
            }
            database_->transaction().commit();
            committed.push_back(std::move(written_));
            ++commits;
        });
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    void repeat(int times, const std::function<void()>& step)
    {
        for (int i = 0; i < times; ++i)
            steps_.push_back(step);
    }

    // What a refused step leaves: in the companies editor the step's savepoint is rolled
    // back and the session goes on; any other unit of work is rolled back whole.
    void abandonStep()
    {
        stepWrites_.clear();
        if (insideEditor_) {
            database_->execute(QString::fromLatin1(RollBackToSavepoint));
            return;
        }
        database_->transaction().rollback();
        steps_.clear();
    }

    // Edits also append a tag of their own to a text column, so that the rows keep the
    // history of every write: a write lost or kept wrongly shows even when a later unit
    // overwrites the same row.
    void write(const char* sql, Params params)
    {
        const QString text = QString::fromUtf8(sql);
        if (text.contains(QLatin1String(":TAG")))
            params["TAG"] = QStringLiteral(";%1%2").arg(QLatin1Char(name_)).arg(++tags_);
        run(*database_, text, params);
        stepWrites_.push_back({text, std::move(params)});
    }
    // The writes of a finished step join those of the unit.
    void keepStep()
    {
        for (auto& w : stepWrites_)
            written_.push_back(std::move(w));
        stepWrites_.clear();
    }

    QVariantList ids(const char* table)
    {
        std::vector<db::Values> rows;
        run(*database_, QString::fromLatin1(SelectIds).arg(QLatin1String(table)), {}, &rows);
        QVariantList list;
        for (const auto& row : rows)
            list << row[0];
        return list;
    }
    // One of the first rows mostly, so that the desks meet on the same rows.
    QVariant hotId(const char* table)
    {
        const QVariantList list = ids(table);
        if (list.isEmpty())
            return 0;
        return list[std::min<int>(int(list.size()) - 1, pick(0, 5))];
    }
    int nextId(const char* generator)
    {
        std::vector<db::Values> rows;
        run(*database_, QString::fromLatin1(NextId).arg(QLatin1String(generator)), {}, &rows);
        return rows.front().front().toInt();
    }
    QString text(const char* prefix)
    {
        return QStringLiteral("%1 %2").arg(prefix).arg(pick(0, 999));
    }

    void editEmployee()
    {
        write(UpdateEmployee, {{"ID", hotId("PERSONEL")},
                               {"NAZWISKO", text("Nazwisko")},
                               {"STANOWISKO", text("Stanowisko")},
                               {"POKOJ", QString::number(pick(1, 400))}});
        keepStep();
    }
    void editGuest()
    {
        write(UpdateGuest,
              {{"ID", hotId("GOSCIE")}, {"NAZWA", text("Gość")}, {"DOKUM", text("ABC")}});
        keepStep();
    }
    void editVisit()
    {
        const QDateTime entry(QDate(2026, 12, pick(1, 28)), QTime(pick(7, 18), pick(0, 59)));
        write(UpdateVisit, {{"ID", hotId("WIZYTY")},
                            {"DTWEJSCIA", db::fromDateTime(entry)},
                            {"IDENTYFIKATOR", text("G")},
                            {"NRKARTY", text("K")}});
        keepStep();
    }

    // A session of the companies editor: moves of departments, each renumbering the
    // whole tree of the company within a savepoint, committed or cancelled at the end.
    void companiesEditor()
    {
        insideEditor_ = true;
        repeat(pick(1, 3), [this] { moveDepartment(); });
    }
    void moveDepartment()
    {
        database_->execute(QString::fromLatin1(SetSavepoint));
        std::vector<db::Values> rows;
        run(*database_, QString::fromLatin1(SelectTree), {{"FIRMA_ID", hotId("FIRMY")}}, &rows);
        if (!rows.empty()) {
            std::vector<std::pair<int, int>> tree;  // ID, POPID in the tree's order
            for (const auto& row : rows)
                tree.emplace_back(row[0].toInt(), row[1].toInt());
            const int moved = pick(0, int(tree.size()) - 1);
            const int parent = pick(-1, int(tree.size()) - 1);
            const int newParent = parent < 0 ? 0 : tree[parent].first;
            if (!isWithin(tree, newParent, tree[moved].first))
                tree[moved].second = newParent;
            int order = 0;
            renumber(tree, 0, order);
        }
        database_->execute(QString::fromLatin1(ReleaseSavepoint));
        keepStep();
    }
    static bool isWithin(const std::vector<std::pair<int, int>>& tree, int id, int ancestor)
    {
        for (int guard = 0; id != 0 && guard <= int(tree.size()); ++guard) {
            if (id == ancestor)
                return true;
            const auto it = std::find_if(tree.begin(), tree.end(),
                                         [id](const auto& node) { return node.first == id; });
            id = it == tree.end() ? 0 : it->second;
        }
        return id != 0;  // a ring: never move into it
    }
    // Depth-first positions from 1, children in their present order.
    void renumber(const std::vector<std::pair<int, int>>& tree, int parent, int& order)
    {
        for (const auto& node : tree) {
            if (node.second != parent || node.first == parent)
                continue;
            write(UpdateDepartmentPlace,
                  {{"ID", node.first}, {"POPID", node.second}, {"KOLEJ", ++order}});
            renumber(tree, node.first, order);
        }
    }

    void deleteCompany()
    {
        write(DeleteCompany, {{"ID", hotId("FIRMY")}});
        keepStep();
    }
    // A small import: a new company with a department, and a few employees in it and in a
    // company that may be gone by the time they are stored.
    void importStaff()
    {
        const int company = nextId("GEN_FIRMY_ID");
        const int department = nextId("GEN_DZIALY_ID");
        write(InsertCompany, {{"ID", company}, {"NAZWA", text("Firma")}});
        write(InsertDepartment, {{"ID", department},
                                 {"FIRMA_ID", company},
                                 {"POPID", 0},
                                 {"KOLEJ", 1},
                                 {"NAZWA", text("Dział")}});
        const QVariant other = hotId("FIRMY");
        for (int i = 0; i < 3; ++i) {
            const bool elsewhere = i == 2;
            write(InsertEmployee, {{"ID", nextId("GEN_PERSONEL_ID")},
                                   {"FIRMA_ID", elsewhere ? other : QVariant(company)},
                                   {"DZIAL_ID", elsewhere ? 0 : department},
                                   {"IMIE", text("Imię")},
                                   {"NAZWISKO", text("Nazwisko")}});
        }
        keepStep();
    }

    std::unique_ptr<db::Database> database_;
    std::mt19937& random_;
    std::vector<std::function<void()>> steps_;
    std::vector<Write> stepWrites_;
    std::vector<Write> written_;
    bool insideEditor_ = false;
    char name_;
    int tags_ = 0;
};

// Rows of one database missing from the other, both ways.
int differences(const QStringList& left, const QStringList& right)
{
    QStringList a = left, b = right;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    QStringList missing;
    std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(),
                                  std::back_inserter(missing));
    for (const QString& row : missing.mid(0, 5))
        qWarning("differs: %s", qPrintable(row));
    return int(missing.size());
}

}  // namespace

class TwoDesksStressTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { REQUIRE_FIREBIRD_SERVER(); }

    void collidingUnitsOfWorkLoseNothingCommittedAndKeepNothingRolledBack()
    {
        const int steps = envNumber("HALVANE_STRESS_STEPS", 3000);
        std::mt19937 random(envNumber("HALVANE_STRESS_SEED", 19));
        testsupport::ServerDatabase shared;
        testsupport::ServerDatabase replayed;  // the same starting rows

        std::vector<std::vector<Write>> committed;
        QStringList unexpected;
        int conflicts = 0, commits = 0, done = 0;
        {
            StressDesk desks[] = {{shared.name(), 'A', random}, {shared.name(), 'B', random}};
            std::uniform_int_distribution<int> whichDesk(0, 1);
            // Past the number of steps, the desks only finish the units they are in.
            while (done < steps || !desks[0].idle() || !desks[1].idle()) {
                StressDesk& desk = desks[whichDesk(random)];
                if (desk.idle() && done >= steps)
                    continue;
                if (desk.idle())
                    desk.beginUnit(committed, commits);
                ++done;
                if (!desk.step(unexpected))
                    ++conflicts;
            }
        }

        auto replay = testsupport::connectTo(replayed.name());
        int mismatches = 0;
        for (const auto& unit : committed) {
            try {
                for (const Write& w : unit)
                    run(*replay, w.sql, w.params);
                replay->transaction().commitRetaining();
            } catch (const db::Error& error) {
                qWarning("replay refused: %s", qPrintable(error.message()));
                replay->transaction().rollbackRetaining();
                ++mismatches;
            }
        }
        replay->close();
        mismatches +=
            differences(testsupport::allRows(shared.name()), testsupport::allRows(replayed.name()));
        qInfo("steps: %d, conflicts: %d, commits: %d, mismatches: %d", done, conflicts, commits,
              mismatches);
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(u'\n')));
        QVERIFY2(conflicts > 0, "the desks never collided: the run proves nothing");
        QCOMPARE(mismatches, 0);
    }
};

HALVANE_TEST(TwoDesksStressTest);
#include "TwoDesksStressTest.moc"
