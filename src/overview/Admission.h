#pragma once
// Letting the guest of a stored visit in and seeing them out: the same steps whether the
// desk works from a page of the overview or from the scan box.
#include "overview/EntryDialog.h"

#include <QDateTime>
#include <QString>
#include <optional>

class QWidget;
namespace desk {
class Desk;
}

namespace admission {

// A stored visit whose guest is to go in, with the badge and card noted for it.
struct Arrival {
    int visitId = 0;
    QString guestName, badge, card;
};

// The watchlist's question (desk::mayLetIn), then the entry dialog over `parent`; the badge
// and card handed out, nothing when the desk said No or cancelled.
std::optional<EntryDialog::HandedOut> askEntry(desk::Desk& desk, QWidget* parent,
                                               const Arrival& arrival);

// The entry at `at` with the badge and card, in the unit of work, once desk::mayHandOut
// lets them go out; false when it did not, or when the guest was let in meanwhile (at
// another desk). The caller commits.
bool storeEntry(desk::Desk& desk, int visitId, const EntryDialog::HandedOut& handedOut,
                const QDateTime& at);

// The exit at `at`, in the unit of work; false when the visit had one already. The caller
// commits.
bool storeExit(desk::Desk& desk, int visitId, const QDateTime& at);

}  // namespace admission
