#include "controls/Prompts.h"

#include "db/Error.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QUrl>

namespace controls {

void Prompts::reportError(const std::exception& error)
{
    const auto* dbError = dynamic_cast<const db::Error*>(&error);
    if (dbError && dbError->connectionLost() && connectionLost)
        connectionLost(*dbError);
    else if (dbError)
        message(dbError->message(), QApplication::applicationName(), Icon::Error);
    else
        message(QString::fromLocal8Bit(error.what()), QApplication::applicationName(), Icon::Error);
}

bool Prompts::guarded(const std::function<void()>& operation)
{
    try {
        operation();
        return true;
    } catch (const std::exception& error) {
        reportError(error);
        return false;
    }
}

void DesktopPrompts::message(const QString& text, const QString& caption, Icon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::Information: boxIcon = QMessageBox::Information; break;
    case Icon::Warning: boxIcon = QMessageBox::Warning; break;
    case Icon::Error: boxIcon = QMessageBox::Critical; break;
    case Icon::Question: boxIcon = QMessageBox::Question; break;
    case Icon::None: break;
    }
    QMessageBox box(boxIcon, caption.isEmpty() ? QApplication::applicationName() : caption, text,
                    QMessageBox::Ok, parent_);
    // A name or an address in a message can be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

bool DesktopPrompts::question(const QString& text, const QString& caption, bool defaultNo)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent_);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Tak"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Nie"));
    if (defaultNo)
        box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void DesktopPrompts::beep()
{
    QApplication::beep();
}

QString DesktopPrompts::openFileName(const QString& caption, const QString& folder,
                                     const QString& filter)
{
    return QFileDialog::getOpenFileName(parent_, caption, folder, filter);
}

QString DesktopPrompts::saveFileName(const QString& caption, const QString& path,
                                     const QString& filter, const QString& defaultSuffix)
{
    // The suffix is added by the dialog itself, so its overwrite question sees the final name.
    QFileDialog dialog(parent_, caption, path, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString DesktopPrompts::folderName(const QString& caption, const QString& folder)
{
    return QFileDialog::getExistingDirectory(parent_, caption, folder);
}

bool DesktopPrompts::openUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

bool DesktopPrompts::choosePrinter(QPrinter& printer, const QString& caption)
{
    // Qt's own dialog: it also offers printing into a PDF file.
    QPrintDialog dialog(&printer, parent_);
    dialog.setWindowTitle(caption);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace controls
