#include "overview/ScanBox.h"

#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "desk/Desk.h"
#include "desk/VisitCodes.h"
#include "overview/Admission.h"

#include <QAction>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString TimeFormat = QStringLiteral("HH:mm");
const QString DateTimeFormat = QStringLiteral("dd-MM-yyyy HH:mm");
constexpr int CodeLength = 32;  // longer than any code: a stray scan is still read whole
constexpr int BoxWidth = 340;   // under a toolbar's buttons, two lines of what was said
constexpr int EditWidth = 260;  // beside what was said

}  // namespace

ScanBox::ScanBox(desk::Desk& desk, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), desk_(desk)
{
    setObjectName(QStringLiteral("scanBox"));
    scanEdit = new QLineEdit;
    scanEdit->setObjectName(QStringLiteral("scanEdit"));
    scanEdit->setPlaceholderText(QStringLiteral("Zeskanuj lub wpisz kod"));
    scanEdit->setAccessibleName(QStringLiteral("Kod zaproszenia lub przepustki"));
    scanEdit->setToolTip(
        QStringLiteral("Kod z zaproszenia (wejście) lub z przepustki (wyjście); "
                       "F2 – do skanera"));
    scanEdit->setMaxLength(CodeLength);
    scanEdit->installEventFilter(this);
    scanMessageLabel = new QLabel;
    scanMessageLabel->setObjectName(QStringLiteral("scanMessageLabel"));
    controls::markDataLabel(scanMessageLabel, QStringLiteral("Skaner"));
    scanMessageLabel->setWordWrap(true);
    scanAction = new QAction(QStringLiteral("Skanuj kod"), this);
    scanAction->setObjectName(QStringLiteral("scanAction"));
    scanAction->setShortcut(QKeySequence(Qt::Key_F2));
    scanAction->setShortcutContext(Qt::WindowShortcut);
    connect(scanAction, &QAction::triggered, this, &ScanBox::takeFocus);
    addAction(scanAction);

    QBoxLayout* layout = nullptr;
    if (orientation == Qt::Vertical) {
        setFixedWidth(BoxWidth);
        layout = new QVBoxLayout(this);
        layout->setSpacing(2);
    } else {
        scanEdit->setFixedWidth(EditWidth);
        layout = new QHBoxLayout(this);
    }
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scanEdit);
    layout->addWidget(scanMessageLabel, 1);
}

void ScanBox::takeFocus()
{
    scanEdit->setFocus(Qt::ShortcutFocusReason);
    scanEdit->selectAll();
}

// Enter is the scan's, not the window's default button.
bool ScanBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scanEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            scan();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ScanBox::scan()
{
    desk::ScannedCode scanned;
    if (!desk_.prompts().guarded([&] { scanned = desk::lookUpCode(desk_, scanEdit->text()); })) {
        takeFocus();
        return;
    }
    QString stored;
    if (scanned.state != desk::ScannedCode::State::Usable) {
        desk_.prompts().beep();
        say(scanned.problem, true);
    } else if (scanned.kind == desk::ScannedCode::Kind::Invitation) {
        stored = letIn(scanned);
    } else {
        stored = seeOut(scanned);
    }
    if (!stored.isEmpty()) {
        scanEdit->clear();
        say(stored, false);
        emit visitStored(scanned.visitId);
    }
    // Back from a dialog, ready for the next scan.
    window()->activateWindow();
    takeFocus();
}

QString ScanBox::letIn(const desk::ScannedCode& scanned)
{
    const auto handedOut = admission::askEntry(desk_, window(),
                                               {scanned.visitId, scanned.guestName, scanned.badge,
                                                scanned.card, scanned.markRead, scanned.mark});
    const QDateTime now = desk_.clock().now();
    if (!handedOut || !storeAndCommit([&] {
            return admission::storeEntry(desk_, scanned.visitId, *handedOut, now);
        })) {
        say(QStringLiteral("Nie zapisano wejścia: %1.").arg(scanned.guestName), false);
        return {};
    }
    return QStringLiteral("Wejście: %1 %2").arg(scanned.guestName, now.toString(TimeFormat));
}

QString ScanBox::seeOut(const desk::ScannedCode& scanned)
{
    const QString question = QStringLiteral(
                                 "Gość: %1\nPracownik: %2\nIdentyfikator: %3\nWejście: %4\n\n"
                                 "Zapisać wyjście teraz?")
                                 .arg(scanned.guestName, scanned.employeeName, scanned.badge,
                                      scanned.entry.toString(DateTimeFormat));
    // The guest leaves when the desk says so, not when the question came up.
    const bool confirmed = desk_.prompts().question(question, QStringLiteral("Wyjście"), false);
    const QDateTime now = desk_.clock().now();
    if (!confirmed ||
        !storeAndCommit([&] { return admission::storeExit(desk_, scanned.visitId, now); })) {
        say(QStringLiteral("Nie zapisano wyjścia: %1.").arg(scanned.guestName), false);
        return {};
    }
    return QStringLiteral("Wyjście: %1 %2").arg(scanned.guestName, now.toString(TimeFormat));
}

bool ScanBox::storeAndCommit(const std::function<bool()>& store)
{
    bool stored = false;
    if (!desk_.prompts().guarded([&] { stored = store(); })) {
        desk_.rollbackWork();
        return false;
    }
    // Nothing written (the badge not handed over, the visit done at another desk) is
    // committed as well: the unit of work ends the same way.
    return desk_.commitWork() && stored;
}

void ScanBox::say(const QString& text, bool problem)
{
    scanMessageLabel->setText(text);
    scanMessageLabel->setToolTip(text);
    scanMessageLabel->setStyleSheet(problem ? QStringLiteral("color: #c00000;") : QString());
}
