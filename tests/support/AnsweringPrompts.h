#pragma once
// Stands in for the user at every message box, question, file dialog and shell "open":
// answers come from queues, and everything shown is recorded.
#include "controls/Prompts.h"

#include <QQueue>
#include <QStringList>

namespace testsupport {

struct Shown {
    QString kind;  // "message", "question", "open", "save", "folder", "url"
    QString text;
    QString caption;
    QString detail;  // a question's default answer ("Nie" when No), a save dialog's suffix
};

class AnsweringPrompts : public controls::Prompts {
public:
    QQueue<bool> answers;        // for questions; an empty queue answers No
    QQueue<QString> fileNames;   // for file and folder dialogs; empty = cancelled
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
    void openUrl(const QString& url) override { shown.append({QStringLiteral("url"), url, {}}); }

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
