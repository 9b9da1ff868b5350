#pragma once
// The database choice: where the database is (server, folder on the server, file), the
// user name and password of the connection stored in params.db, and a test of the
// connection. It works with the connection closed; the caller writes the settings and
// connects again after it.
#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
namespace desk {
class Desk;
}

namespace admin {

// The settings Host, Dir and File, as the user typed them.
struct DatabaseLocation {
    QString host;
    QString dir;  // as the server sees it, with its own trailing separator
    QString file;
};

// The database name the client is given: Dir + File on "localhost" (exactly), else
// Host + ":" + Dir + File.
QString databaseName(const DatabaseLocation& location);

}  // namespace admin

class DatabaseDialog : public QDialog {
    Q_OBJECT
public:
    explicit DatabaseDialog(desk::Desk& desk, QWidget* parent = nullptr);
    // Shows the window over the stored location; gives back the location stored with
    // "  Zapisz" (the same one when nothing was stored).
    admin::DatabaseLocation choose(const admin::DatabaseLocation& stored);
    // The same window, returning at once (the window stays open over its caller).
    void open(const admin::DatabaseLocation& stored);
    // The location stored so far.
    const admin::DatabaseLocation& location() const { return stored_; }

    void reject() override;

private:
    void prepareForShowing();
    void updateParamsButtons();
    void onLocationEdited();
    void onFolderPicked(int index);
    void putPickedFolder();
    void saveLocation();
    void saveParams();
    void restoreDefaults();
    void testConnection();
    QString paramsFilePath() const;

    desk::Desk& desk_;
    admin::DatabaseLocation stored_;
    QString pickedFolder;

    QComboBox* hostBox;
    QComboBox* folderBox;
    QComboBox* fileBox;
    QPushButton* saveLocationButton;
    QLineEdit* userEdit;
    QLineEdit* passwordEdit;
    QPushButton* saveParamsButton;
    QPushButton* restoreDefaultsButton;
    QPushButton* testButton;
    QPlainTextEdit* reportEdit;
    QTimer* folderTimer;
};
