#include "desk/Desk.h"

#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"

namespace desk {

db::Transaction& Desk::transaction()
{
    return database().transaction();
}

bool Desk::commitWork()
{
    try {
        transaction().commitRetaining();
        return true;
    } catch (const db::Error& error) {
        try {
            transaction().rollbackRetaining();
        } catch (const db::Error&) {
            // the report below says what went wrong first
        }
        prompts().message(QStringLiteral("Błąd zatwierdzenia danych:\n") + error.message(), {},
                          controls::Icon::Error);
        return false;
    }
}

void Desk::rollbackWork()
{
    transaction().rollbackRetaining();
}

}  // namespace desk
