#include "support/AppFixture.h"

#include "support/Find.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

namespace testsupport {

AppFixture::AppFixture(bool demo, bool withDatabase) : oldXdg_(qgetenv("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", data_.path().toUtf8());
    QDir().mkpath(settingsFolder());
    if (withDatabase) {
        db_ = std::make_unique<TestDatabase>(demo);
        const QString path = db_->path();
        const QString dir = path.left(path.lastIndexOf(u'/') + 1);
        writeIni("[FB]\nHost=localhost\nDir=" + dir.toUtf8() + "\nFile=TEST.FDB\nLastBackupDir=\n");
    }
    form = std::make_unique<MainWindow>(prompts);
    form->resize(1280, 800);
}

AppFixture::~AppFixture()
{
    form.reset();
    db_.reset();
    if (oldXdg_.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldXdg_);
}

void AppFixture::writeIni(const QByteArray& content) const
{
    QFile file(settingsFolder() + QStringLiteral("Halvane.ini"));
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QByteArray AppFixture::readIni() const
{
    QFile file(settingsFolder() + QStringLiteral("Halvane.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool AppFixture::start()
{
    form->show();
    QApplication::setActiveWindow(form.get());
    if (!QTest::qWaitForWindowActive(form.get(), 2000))
        return false;
    // The connection starts 50 ms after the first activation; the status bar tells when
    // the attempt is over.
    auto* state = child<QLabel>(form.get(), QStringLiteral("connectionStateLabel"));
    auto* timer = child<QTimer>(form.get(), QStringLiteral("startTimer"));
    auto* databaseChoice = child<QAction>(form.get(), QStringLiteral("databaseChoiceAction"));
    return QTest::qWaitFor(
        [&] {
            return !timer->isActive() && databaseChoice->isEnabled() && !state->text().isEmpty() &&
                   state->text() != QStringLiteral("ŁĄCZENIE");
        },
        5000);
}

}  // namespace testsupport
