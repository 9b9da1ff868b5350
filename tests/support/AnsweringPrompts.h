#pragma once
// Stands in for the user at every message box, question, file dialog, print dialog and shell
// "open": answers come from queues, and everything shown is recorded.
#include "controls/Prompts.h"

#include <QPageSize>
#include <QPrinter>
#include <QQueue>
#include <QStringList>

namespace testsupport {

struct Shown {
    QString kind;  // "message", "question", "open", "save", "folder", "url", "print"
    QString text;
    QString caption;
    QString detail;  // a question's default answer ("Nie" when No), a save dialog's suffix
};

class AnsweringPrompts : public controls::Prompts {
public:
    QQueue<bool> answers;        // for questions; an empty queue answers No
    QQueue<QString> fileNames;   // for file and folder dialogs; empty = cancelled
    QQueue<QString> printFiles;  // PDF files the print dialog prints into; empty = cancelled
    QPageSize printPage;         // the print dialog's page settings, when valid
    bool urlsOpen = true;        // whether the desktop opens an address
    QList<Shown> shown;
    int beeps = 0;

    void message(const QString& text, const QString& caption, controls::Icon) override
    {
        shown.append({QStringLiteral("message"), text, caption});
    }
    bool question(const QString& text, const QString& caption, bool defaultNo) override
    {
        shown.append({QStringLiteral("question"), text, caption,
                      defaultNo ? QStringLiteral("Nie") : QStringLiteral("Tak")});
        return answers.isEmpty() ? false : answers.dequeue();
    }
    void beep() override { ++beeps; }
    QString openFileName(const QString& caption, const QString&, const QString&) override
    {
        shown.append({QStringLiteral("open"), {}, caption});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    QString saveFileName(const QString& caption, const QString& path, const QString&,
                         const QString& defaultSuffix) override
    {
        shown.append({QStringLiteral("save"), path, caption, defaultSuffix});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    QString folderName(const QString& caption, const QString& folder) override
    {
        shown.append({QStringLiteral("folder"), folder, caption});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    bool openUrl(const QString& url) override
    {
        shown.append({QStringLiteral("url"), url, {}});
        return urlsOpen;
    }
    // The text of what is recorded is the file printed into, empty when cancelled.
    bool choosePrinter(QPrinter& printer, const QString& caption) override
    {
        const QString file = printFiles.isEmpty() ? QString() : printFiles.dequeue();
        shown.append({QStringLiteral("print"), file, caption});
        if (file.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        if (printPage.isValid())
            printer.setPageSize(printPage);
        return true;
    }

    QStringList messages() const
    {
        QStringList texts;
        for (const Shown& s : shown)
            if (s.kind == QLatin1String("message"))
                texts << s.text;
        return texts;
    }
    void clear()
    {
        shown.clear();
        beeps = 0;
    }
};

}  // namespace testsupport
