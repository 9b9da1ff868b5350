#pragma once
// The scan box: a barcode or QR scanner types the code of an invitation or a pass, and
// Enter, as a keyboard does. An invitation's code lets its guest in through the entry
// dialog, as "Oczekujący" does; a pass's code sees its guest out after a question that Enter
// confirms. Any other code beeps and is explained beside the box, with no window in the way
// of the next scan. F2 puts the focus in the box.
#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
namespace desk {
class Desk;
struct ScannedCode;
}  // namespace desk

class ScanBox : public QWidget {
    Q_OBJECT
public:
    // Vertical: what was said below the box (a toolbar); horizontal: beside it (a window).
    ScanBox(desk::Desk& desk, Qt::Orientation orientation, QWidget* parent = nullptr);
    // The focus in the box, its text selected so that a scan replaces it.
    void takeFocus();

signals:
    // A scan stored the visit's entry or exit and committed it.
    void visitStored(int visitId);

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void scan();
    // What was stored, to be said beside the box; empty when nothing was.
    QString letIn(const desk::ScannedCode& scanned);
    QString seeOut(const desk::ScannedCode& scanned);
    // Commits what `store` wrote when it says it stored something; false otherwise.
    bool storeAndCommit(const std::function<bool()>& store);
    void say(const QString& text, bool problem);

    desk::Desk& desk_;
    QLineEdit* scanEdit = nullptr;
    QLabel* scanMessageLabel = nullptr;
    QAction* scanAction = nullptr;
};
