#include "db/Firebird.h"

#include "db/Error.h"

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

void Status::check()
{
    if (failed()) {
        const QString message = text();
        wrapper_.init();
        throw Error(message);
    }
}

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
