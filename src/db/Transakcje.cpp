#include "db/Transakcje.h"

#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"

namespace db {

void ZatwierdzDane(Transaction& transaction, controls::Prompts& prompts)
{
    try {
        transaction.commitRetaining();
    } catch (const Error& error) {
        try {
            transaction.rollbackRetaining();
        } catch (const Error&) {
            // the report below says what went wrong first
        }
        prompts.message(QStringLiteral("Błąd zatwierdzenia danych:\n") + error.message(), {},
                        controls::Icon::Error);
    }
}

void WycofajDane(Transaction& transaction)
{
    transaction.rollbackRetaining();
}

}  // namespace db
