#pragma once
// The guest list. Mode::Edit maintains the list and commits every stored change at once;
// Mode::Pick lets the visit editor choose a guest and leaves whatever was changed to the
// caller's unit of work.
#include <QDialog>
#include <QString>
#include <memory>

namespace desk {
class Desk;
}

class GuestsDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Edit, Pick };
    struct Guest {
        int id = 0;
        QString name;
        QString document;
    };

    explicit GuestsDialog(desk::Desk& desk, QWidget* parent = nullptr);
    ~GuestsDialog() override;

    // Opens the list with the guest `guestId` current (0: the first guest) and waits;
    // QDialog::Accepted after OK.
    int exec(Mode mode, int guestId);
    // The same without waiting.
    void open(Mode mode, int guestId);
    // The guest chosen with the last OK in Mode::Pick; a cancelled showing leaves it as it was.
    Guest chosen() const;

private:
    class Private;
    std::unique_ptr<Private> d;
};
