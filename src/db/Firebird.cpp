#include "db/Firebird.h"

#include "db/Error.h"

#include <ibase.h>

#include <algorithm>

namespace db::fb {

Firebird::IMaster* master()
{
    return Firebird::fb_get_master_interface();
}

Firebird::IUtil* util()
{
    return master()->getUtilInterface();
}

Status::Status(Decoder decode) : wrapper_(master()->getStatus()), decode_(std::move(decode)) {}

Status::~Status()
{
    wrapper_.dispose();
}

bool Status::failed() const
{
    return (const_cast<Firebird::CheckStatusWrapper&>(wrapper_).getState() &
            Firebird::IStatus::STATE_ERRORS) != 0;
}

QString Status::text()
{
    char buffer[2048];
    const unsigned length = util()->formatStatus(buffer, sizeof buffer, &wrapper_);
    const QByteArray bytes(buffer, int(qMin<unsigned>(length, sizeof buffer)));
    return decode_ ? decode_(bytes) : QString::fromLocal8Bit(bytes);
}

std::vector<long> Status::codes() const
{
    std::vector<long> codes;
    const intptr_t* vector = const_cast<Firebird::CheckStatusWrapper&>(wrapper_).getErrors();
    while (vector && *vector != isc_arg_end) {
        const intptr_t kind = *vector++;
        const intptr_t value = *vector++;
        if (kind == isc_arg_gds)
            codes.push_back(long(value));
        else if (kind == isc_arg_cstring)
            ++vector;  // a length and a pointer
    }
    return codes;
}

namespace {

// A row that another desk holds in a unit of work it has not ended: the server's words
// alone do not tell a receptionist what happened.
QString collisionNote(const std::vector<long>& codes)
{
    for (long code : codes)
        if (code == isc_lock_conflict || code == isc_update_conflict || code == isc_deadlock)
            return QStringLiteral(
                "Te same dane zmienia w tej chwili inne stanowisko; zmiany nie zapisano. "
                "Spróbuj ponownie, gdy tamto stanowisko zatwierdzi lub wycofa swoje zmiany.\n");
    return {};
}

}  // namespace

void Status::check()
{
    if (failed()) {
        std::vector<long> errorCodes = codes();
        const QString message = collisionNote(errorCodes) + text();
        wrapper_.init();
        throw Error(message, std::move(errorCodes));
    }
}

}  // namespace db::fb

namespace db {

bool Error::has(long code) const
{
    return std::find(codes_.begin(), codes_.end(), code) != codes_.end();
}

bool Error::connectionLost() const
{
    for (const long code :
         {isc_network_error, isc_net_read_err, isc_net_write_err, isc_lost_db_connection,
          isc_conn_lost, isc_att_shutdown, isc_shutdown, isc_bad_db_handle})
        if (has(code))
            return true;
    return false;
}

}  // namespace db

namespace db::fb {

Builder::Builder(unsigned kind, Status& st)
{
    b_ = util()->getXpbBuilder(&st, kind, nullptr, 0);
    st.check();
}

Builder::~Builder()
{
    if (b_)
        b_->dispose();
}

}  // namespace db::fb
