#pragma once
// The count of lines a long export or import has done, with a button that stops it.
// It shows itself only when the work lasts longer than a moment.
#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QPushButton;

class CsvProgressDialog : public QDialog {
    Q_OBJECT
public:
    CsvProgressDialog(const QString& title, QWidget* parent, int showAfterMs = 400);

    // Tells the count and lets the window take the user's clicks now and then; false once
    // the user asked to stop.
    bool advance(int lines);
    bool stopped() const { return stopped_; }

    void reject() override;
    // Closing from outside (the program ends) stops the work too; the caller closes the
    // window once the work has stopped.
    void done(int result) override;

private:
    QLabel* lineCountLabel = nullptr;
    QPushButton* stopButton = nullptr;
    QElapsedTimer running_;
    qint64 lastShownMs_ = -1;
    int showAfterMs_;
    bool stopped_ = false;
};
