#pragma once
// One e-mail to one address, as the outbox keeps it and the mail server gets it.
#include <QByteArray>
#include <QString>
#include <optional>

namespace mail {

// What a message is about; stored in the outbox (POCZTA.RODZAJ).
enum class Kind { HostNotice = 1, EvacuationList = 2, Test = 3, Invitation = 4 };

struct Attachment {
    QString fileName;  // "Lista ewakuacyjna 09-12-2026 10.30.pdf"
    QString mimeType;  // "application/pdf"
    QByteArray bytes;
};

struct Message {
    QString to;       // one address
    QString subject;  // any text; Polish letters are sent as RFC 2047 words
    QString body;     // plain text, sent as UTF-8
    std::optional<Attachment> attachment;
    // The Message-ID header without the angle brackets; the outbox gives every message its
    // own ("halvane.<outbox ID>.<random>@<desk>"), so that a message delivered twice would be
    // seen as one. Empty: the header is left out.
    QString messageId;
};

}  // namespace mail
